// Samples wider than 16 bits, as sox writes them in every container, import to exactly the
// 16-bit samples that sox itself reduces them to. sox neither writes nor reads AIFC with G.711
// samples; ffmpeg writes and decodes those.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/wav.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::ItemValue;
using test::Quoted;
using test::ReadFile;
using test::RunPeer;
using test::SamplesFromLittleEndian;
using test::SmpFileSamples;
using test::SmpItems;

using Importer = void (*)(ConversionContext&, const ImportViewSettings&, const std::string&,
                          const std::string&);

enum class Peer { Sox, Ffmpeg };

struct WideCase {
  std::string file;     // the extension tells sox the container
  std::string options;  // the peer's output options: coding, byte order, container
  Importer import;
  std::string reduction;  // the import's log line; none for 16-bit samples
  Peer peer = Peer::Sox;
};

class WidePeers : public test::ConverterTest {
 protected:
  void ExpectImportedAsSoxReducesIt(const WideCase& c) {
    SCOPED_TRACE(c.file + " " + c.options);
    const std::string source = Path(c.file);
    const std::string raw = Path("peer.raw");
    if (c.peer == Peer::Sox) {
      RunPeer("sox -V1 -n -r 8000 -c 2 " + c.options + " " + Quoted(source) +
              " synth 0.3 sine 440 sine 1234 vol 0.9");
      RunPeer("sox -V1 -D " + Quoted(source) + " -t raw -b 16 -e signed-integer -L " + Quoted(raw));
    } else {
      RunPeer("ffmpeg -loglevel error -y -f lavfi -i sine=f=440:r=8000:d=0.3 -ac 2 " + c.options +
              " " + Quoted(source));
      RunPeer("ffmpeg -loglevel error -y -i " + Quoted(source) + " -f s16le " + Quoted(raw));
    }
    const std::vector<int16_t> expected = SamplesFromLittleEndian(ReadFile(raw));
    ASSERT_EQ(expected.size(), 4800u);

    log.lines.clear();
    ConversionContext context = Context();
    c.import(context, settings.ImportWAV, source, Path("out.smp"));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_TRUE(boxes.shown.empty());
    const std::string smp = ReadFile(Path("out.smp"));
    EXPECT_EQ(SmpFileSamples(smp), expected);
    const std::vector<std::string> items = SmpItems(smp);
    EXPECT_EQ(ItemValue(items, "nchans"), "2");
    EXPECT_EQ(ItemValue(items, "sftot"), "16000");
    EXPECT_EQ(ItemValue(items, "file"), "samp");
    if (c.reduction.empty()) {
      EXPECT_EQ(log.lines.size(), 1u) << log.lines.back();  // the progress line alone
    } else {
      EXPECT_EQ(log.lines.back(), c.reduction);
    }
  }
};

const std::string kInt24 = "24-bit samples reduced to 16 bits";
const std::string kInt32 = "32-bit samples reduced to 16 bits";
const std::string kFloat = "floating-point samples scaled to 16 bits, 0 clipped";

TEST_F(WidePeers, WavAndRifx) {
  for (const WideCase& c : std::vector<WideCase>{
           {"a.wav", "-b 24 -e signed-integer", &ImportWAV, kInt24},
           {"a.wav", "-b 32 -e signed-integer", &ImportWAV, kInt32},
           {"a.wav", "-b 32 -e floating-point", &ImportWAV, kFloat},
           {"a.wav", "-b 64 -e floating-point", &ImportWAV, kFloat},
           {"a.wav", "-b 16 -e signed-integer -B", &ImportWAV, ""},
           {"a.wav", "-b 24 -e signed-integer -B", &ImportWAV, kInt24},
           {"a.wav", "-b 32 -e signed-integer -B", &ImportWAV, kInt32},
           {"a.wav", "-b 32 -e floating-point -B", &ImportWAV, kFloat},
           {"a.wav", "-b 64 -e floating-point -B", &ImportWAV, kFloat},
       }) {
    ExpectImportedAsSoxReducesIt(c);
  }
}

TEST_F(WidePeers, AiffAndAifc) {
  for (const WideCase& c : std::vector<WideCase>{
           {"a.aiff", "-b 24 -e signed-integer", &ImportAIFF, kInt24},
           {"a.aiff", "-b 32 -e signed-integer", &ImportAIFF, kInt32},
           {"a.aifc", "-b 24 -e signed-integer", &ImportAIFF, kInt24},
           {"a.aifc", "-b 32 -e floating-point", &ImportAIFF, kFloat},
           {"a.aifc", "-b 64 -e floating-point", &ImportAIFF, kFloat},
           {"a.aifc", "-c:a pcm_alaw -f aiff", &ImportAIFF, "", Peer::Ffmpeg},
           {"a.aifc", "-c:a pcm_mulaw -f aiff", &ImportAIFF, "", Peer::Ffmpeg},
       }) {
    ExpectImportedAsSoxReducesIt(c);
  }
}

TEST_F(WidePeers, Au) {
  for (const WideCase& c : std::vector<WideCase>{
           {"a.au", "-b 24 -e signed-integer", &ImportAU, kInt24},
           {"a.au", "-b 32 -e signed-integer", &ImportAU, kInt32},
           {"a.au", "-b 32 -e floating-point", &ImportAU, kFloat},
           {"a.au", "-b 64 -e floating-point", &ImportAU, kFloat},
       }) {
    ExpectImportedAsSoxReducesIt(c);
  }
}

}  // namespace
}  // namespace vorsel
