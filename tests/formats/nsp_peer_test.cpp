// NSP files against real peers: Praat reads what the exporter writes and writes what the
// importer reads; ffmpeg reads the HEDR files it supports (one "SDA_" or "SDAB" chunk).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "formats/nsp.h"
#include "tests/formats/nsp_test_support.h"

namespace vorsel::test::nsp {
namespace {

struct CommandResult {
  int status = -1;
  std::string out;
};

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) {
    return result;
  }
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) {
    result.out.append(buffer, got);
  }
  result.status = pclose(pipe.release());
  return result;
}

// What Praat makes of a sound file.
struct PraatSound {
  bool read = false;
  std::string message;
  int channels = 0;
  double rate = 0;
  std::vector<std::vector<int>> samples;  // per channel
};

constexpr const char* kPraatReader = R"(form Read
  sentence Path x
endform
s = Read from file: path$
n = Get number of channels
f = Get sampling frequency
m = Get number of samples
writeInfoLine: "RESULT ", n, " ", f, " ", m
for c to n
  line$ = "CHANNEL"
  for i to m
    v = Get value at sample number: c, i
    line$ = line$ + " " + string$(round(v * 32768))
  endfor
  appendInfoLine: line$
endfor
)";

// Channel c, sample i (from 1) of the sounds Praat writes below, as a 16-bit value.
int PraatSample(int channel, int index) {
  return (channel * 7919 + index * 613) % 60001 - 30000;
}

constexpr const char* kPraatWriter = R"(form Write
  natural Channels 1
  natural Samples 1
  positive Rate 16000
  sentence Path x
endform
s = Create Sound from formula: "s", channels, 0, samples / rate, rate,
  ... "((row * 7919 + col * 613) mod 60001 - 30000) / 32768"
Save as Kay sound file: path$
)";

class NspPeers : public NspTest {
 protected:
  void SetUp() override {
    WriteFile(Path("read.praat"), kPraatReader);
    WriteFile(Path("write.praat"), kPraatWriter);
  }

  std::string ExportNsp(const std::string& smpBytes) {
    WriteFile(Path("in.smp"), smpBytes);
    ConversionContext context = Context();
    ExportNSP(context, settings.ExportNSP, Path("in.smp"), Path("out.nsp"));
    return Path("out.nsp");
  }

  PraatSound PraatRead(const std::string& path) {
    const CommandResult run = RunCommand("praat --run '" + Path("read.praat") + "' '" + path + "'");
    PraatSound sound;
    sound.message = run.out;
    if (run.status != 0) {
      return sound;
    }
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      std::string word;
      words >> word;
      if (word == "RESULT") {
        int count = 0;
        words >> sound.channels >> sound.rate >> count;
        sound.read = true;
      } else if (word == "CHANNEL") {
        sound.samples.emplace_back();
        int value = 0;
        while (words >> value) {
          sound.samples.back().push_back(value);
        }
      }
    }
    return sound;
  }

  void ExpectPraatReads(const std::string& path, int channels, double rate,
                        const std::vector<int16_t>& interleaved, const std::string& what) {
    const PraatSound sound = PraatRead(path);
    ASSERT_TRUE(sound.read) << what << ": " << sound.message;
    EXPECT_EQ(sound.channels, channels) << what;
    EXPECT_EQ(sound.rate, rate) << what;
    ASSERT_EQ(sound.samples.size(), static_cast<size_t>(channels)) << what;
    for (int c = 0; c < channels; ++c) {
      const std::vector<int16_t> expected = ChannelOf(interleaved, channels, c);
      EXPECT_EQ(sound.samples[static_cast<size_t>(c)],
                std::vector<int>(expected.begin(), expected.end()))
          << what << " channel " << c;
    }
  }

  // ffmpeg's view of a file: channels, rate and the decoded 16-bit samples.
  struct FfmpegSound {
    std::string stream;
    std::string samples;
  };
  FfmpegSound FfmpegRead(const std::string& path) {
    FfmpegSound sound;
    sound.stream = RunCommand(
                       "ffprobe -v error -show_entries stream=channels,sample_rate -of "
                       "default=noprint_wrappers=1 '" +
                       path + "'")
                       .out;
    const std::string raw = Path("ffmpeg.raw");
    const CommandResult decode =
        RunCommand("ffmpeg -v error -y -i '" + path + "' -f s16le -acodec pcm_s16le '" + raw + "'");
    EXPECT_EQ(decode.status, 0) << decode.out;
    if (decode.status == 0) {
      sound.samples = ReadFile(raw);
    }
    return sound;
  }
};

TEST_F(NspPeers, PraatReadsEveryPerChannelLayoutWeExport) {
  struct Case {
    int channels;
    int32_t oneType;
    int32_t twoType;
    bool storeHead;
  };
  const std::vector<Case> cases = {{1, 0, 1, false}, {1, 1, 1, false}, {1, 0, 1, true},
                                   {2, 0, 1, false}, {2, 0, 2, true},  {3, 0, 1, false},
                                   {4, 0, 1, false}, {5, 0, 1, false}, {6, 0, 1, true},
                                   {7, 0, 1, false}, {8, 0, 1, false}};
  for (const Case& c : cases) {
    settings.ExportNSP.OneChannelType = c.oneType;
    settings.ExportNSP.TwoChannelType = c.twoType;
    settings.ExportNSP.StoreSMPHeader = c.storeHead;
    const std::vector<int16_t> samples = Interleaved(c.channels, 257);
    const std::string path = ExportNsp(SmpFile(
        {"sftot=" + std::to_string(8000 * c.channels), "nchans=" + std::to_string(c.channels)},
        samples));
    ExpectPraatReads(path, c.channels, 8000, samples,
                     std::to_string(c.channels) + " channels, types " + std::to_string(c.oneType) +
                         "/" + std::to_string(c.twoType) + (c.storeHead ? ", head" : ""));
  }
}

TEST_F(NspPeers, PraatReadsInterleavedStereoIfItSupportsSdab) {
  settings.ExportNSP.TwoChannelType = 0;
  const std::vector<int16_t> samples = Interleaved(2, 257);
  const std::string path = ExportNsp(SmpFile({"sftot=32000", "nchans=2"}, samples));
  if (!PraatRead(path).read) {
    // Praat 6.3 reads only the per-channel chunks "SDA_", "SD_B", ...; ffmpeg checks "SDAB".
    GTEST_SKIP() << "this Praat does not read interleaved \"SDAB\" chunks";
  }
  ExpectPraatReads(path, 2, 16000, samples, "SDAB");
}

TEST_F(NspPeers, FfmpegReadsMonoAndInterleavedStereoHedrExports) {
  const std::vector<int16_t> mono = Interleaved(1, 1000);
  for (const bool storeHead : {false, true}) {
    settings.ExportNSP.StoreSMPHeader = storeHead;
    const FfmpegSound sound = FfmpegRead(ExportNsp(SmpFile({"sftot=22050", "nchans=1"}, mono)));
    EXPECT_EQ(sound.stream, "sample_rate=22050\nchannels=1\n") << storeHead;
    EXPECT_EQ(sound.samples, LittleEndianSamples(mono)) << storeHead;
  }

  settings.ExportNSP.StoreSMPHeader = false;
  settings.ExportNSP.TwoChannelType = 0;
  const std::vector<int16_t> stereo = Interleaved(2, 1000);
  const FfmpegSound sound = FfmpegRead(ExportNsp(SmpFile({"sftot=32000", "nchans=2"}, stereo)));
  EXPECT_EQ(sound.stream, "sample_rate=16000\nchannels=2\n");
  EXPECT_EQ(sound.samples, LittleEndianSamples(stereo));
}

TEST_F(NspPeers, FilesWrittenByPraatImportToPraatsSamples) {
  for (const int channels : {1, 2, 3, 8}) {
    const int frames = 20000;  // more than one block per chunk
    const std::string nsp = Path("praat.nsp");
    const CommandResult write =
        RunCommand("praat --run '" + Path("write.praat") + "' " + std::to_string(channels) + " " +
                   std::to_string(frames) + " 11025 '" + nsp + "'");
    ASSERT_EQ(write.status, 0) << write.out;

    ConversionContext context = Context();
    ImportNSP(context, settings.ImportNSP, nsp, Path("praat.smp"));
    const SmpContent smp = ReadSmp(Path("praat.smp"));
    ASSERT_TRUE(smp.opened) << channels;
    EXPECT_EQ(smp.nchans, channels);
    EXPECT_EQ(smp.sftot, 11025.0 * channels);
    std::vector<int16_t> expected;
    for (int i = 1; i <= frames; ++i) {
      for (int c = 1; c <= channels; ++c) {
        expected.push_back(static_cast<int16_t>(PraatSample(c, i)));
      }
    }
    EXPECT_EQ(smp.samples, expected) << channels << " channels";
    EXPECT_EQ(log.lines.back(), "praat.nsp -> praat.smp");
  }
}

}  // namespace
}  // namespace vorsel::test::nsp
