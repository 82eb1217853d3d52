// The chunk walks of the WAV and AIFF imports: where a chunk ends, its pad byte, and sizes of
// 2^31 and more, which count as unsigned and reach to the end of the file.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "formats/aiff.h"
#include "formats/wav.h"
#include "tests/formats/au_aiff_test_support.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::BE32;
using test::Chunk;
using test::ChunkBE;
using test::CommBody;
using test::FmtBody;
using test::Form;
using test::LittleEndianSamples;
using test::ReadFile;
using test::SamplesBE16;
using test::SmpFileSamples;
using test::U32;
using test::Wav;
using test::WriteFile;

class ChunkWalk : public test::ConverterTest {
 protected:
  std::vector<int16_t> ImportWav(const std::string& bytes) {
    WriteFile(Path("in.wav"), bytes);
    ConversionContext context = Context();
    ImportWAV(context, settings.ImportWAV, Path("in.wav"), Path("out.smp"));
    return SmpFileSamples(ReadFile(Path("out.smp")));
  }
  std::vector<int16_t> ImportAiff(const std::string& bytes) {
    WriteFile(Path("in.aif"), bytes);
    ConversionContext context = Context();
    ImportAIFF(context, settings.ImportAIF, Path("in.aif"), Path("out.smp"));
    return SmpFileSamples(ReadFile(Path("out.smp")));
  }
};

TEST_F(ChunkWalk, AWavChunkOfAnOddSizeIsFollowedByItsPadByte) {
  const std::string odd = Chunk("LIST", "abc");
  ASSERT_EQ(odd.size(), 12u);
  EXPECT_EQ(ImportWav(Wav(FmtBody(1, 1, 8000, 16),
                          odd + Chunk("junk", "x") + Chunk("data", LittleEndianSamples({7, -7})))),
            (std::vector<int16_t>{7, -7}));
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.wav -> out.smp"});
}

TEST_F(ChunkWalk, AWavChunkSizeOfTwoGibibytesOrMoreRunsToTheEndOfTheFile) {
  // Odd, and negative if it were signed: the data chunk after it lies inside its body.
  EXPECT_EQ(ImportWav(Wav(FmtBody(1, 1, 8000, 16), "LIST" + U32(0x80000001) + "a" +
                                                       Chunk("data", LittleEndianSamples({5})))),
            std::vector<int16_t>{});
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.wav -> out.smp"});

  log.lines.clear();
  const std::string samples = LittleEndianSamples({1, 2, 3});
  EXPECT_EQ(ImportWav(Wav(FmtBody(1, 1, 8000, 16), "data" + U32(0x80000001) + samples + "x")),
            (std::vector<int16_t>{1, 2, 3}));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"in.wav -> out.smp", Path("in.wav") + " ends " +
                                                               std::to_string(0x80000001 - 7) +
                                                               " bytes before its header says"}));
}

TEST_F(ChunkWalk, AnAiffChunkOfAnOddSizeIsFollowedByItsPadByte) {
  EXPECT_EQ(ImportAiff(Form("AIFF", ChunkBE("NAME", "abc") + ChunkBE("ANNO", "x") +
                                        ChunkBE("COMM", CommBody(1, 1, 16, test::kExtended8000)) +
                                        ChunkBE("SSND", test::SsndBody(SamplesBE16({-9}))))),
            std::vector<int16_t>{-9});
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.aif -> out.smp"});
}

TEST_F(ChunkWalk, AnAiffChunkSizeOfTwoGibibytesOrMoreRunsToTheEndOfTheFile) {
  const std::string comm = ChunkBE("COMM", CommBody(1, 1, 16, test::kExtended8000));
  EXPECT_EQ(ImportAiff(Form("AIFF", comm + "NAME" + BE32(0x80000001) + "a" +
                                        ChunkBE("SSND", test::SsndBody(SamplesBE16({5}))))),
            std::vector<int16_t>{});
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.aif -> out.smp"});

  log.lines.clear();
  const std::string sound = test::SsndBody(SamplesBE16({1, 2, 3}));
  EXPECT_EQ(ImportAiff(Form("AIFF", comm + "SSND" + BE32(0x80000001) + sound + "x")),
            (std::vector<int16_t>{1, 2, 3}));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"in.aif -> out.smp", Path("in.aif") + " ends " +
                                                               std::to_string(0x80000001 - 15) +
                                                               " bytes before its header says"}));
}

// ---- The SMP file's 2 GiB limit ---------------------------------------------------------

enum class Outcome { Skipped, Converting, Other };

// Imports an 8-bit WAV of `codes` codes (a sparse file) in a child whose files may not grow
// past a mebibyte: an import that starts storing its samples fails at once instead of writing
// gigabytes, so both sides of the limit are cheap to tell apart.
Outcome ImportHugeWav(const std::string& folder, uint32_t codes) {
  const std::string in = folder + "/huge.wav";
  const std::string out = folder + "/huge.smp";
  WriteFile(in, Wav(FmtBody(7, 1, 8000, 8), "data" + U32(codes), 36 + int64_t{codes}));
  std::filesystem::resize_file(in, 44 + uintmax_t{codes});
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);
    ConversionSettings settings;
    TSMPfile smp;
    test::RecordingLog log;
    test::FakeMessageBoxes boxes;
    ConversionContext context{smp, log, boxes, {}};
    try {
      ImportWAV(context, settings.ImportWAV, in, out);
    } catch (const std::system_error&) {
      _exit(static_cast<int>(Outcome::Converting));
    }
    const bool skipped =
        log.lines.size() == 2 &&
        log.lines[1] == in + " would give an SMP file of 2 GiB or more. Data chunk skipped.";
    _exit(static_cast<int>(skipped ? Outcome::Skipped : Outcome::Other));
  }
  int status = 0;
  waitpid(child, &status, 0);
  std::filesystem::remove(in);
  std::filesystem::remove(out);
  return WIFEXITED(status) ? static_cast<Outcome>(WEXITSTATUS(status)) : Outcome::Other;
}

TEST_F(ChunkWalk, SamplesThatWouldMakeTheSMPFileReachTwoGibibytesAreSkipped) {
  // Room for the largest head and two bytes a sample reach 2^31 exactly at this count.
  const uint32_t atTheLimit = ((uint32_t{1} << 31) - kHeadBufferSize) / 2;
  EXPECT_EQ(ImportHugeWav(dir.path(), atTheLimit), Outcome::Skipped);
  EXPECT_EQ(ImportHugeWav(dir.path(), atTheLimit - 1), Outcome::Converting);
}

}  // namespace
}  // namespace vorsel
