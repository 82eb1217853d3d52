// AU and AIFF files exchanged with real peers: sox writes inputs and decodes them itself for
// the expected samples; libsndfile reads every coding the exporters write.

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "codings/g711.h"
#include "codings/linear.h"
#include "formats/aiff.h"
#include "formats/au.h"
#include "tests/formats/au_aiff_test_support.h"

namespace vorsel::test {
namespace {

std::vector<int16_t> ReadRawLE16(const std::string& path) {
  const std::string bytes = ReadFile(path);
  std::vector<int16_t> samples;
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    samples.push_back(static_cast<int16_t>(ReadU16(bytes, at)));
  }
  return samples;
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) {
    return out;
  }
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    out += buffer;
  }
  return out;
}

class SoxWrittenAuAiff : public ConverterTest {
 protected:
  // sox turns the 16-bit ramp into `name` with the given output options.
  void SoxWrite(const std::string& name, const std::string& options, int channels) {
    WriteFile(Path("ramp.raw"), LittleEndianSamples(Spread(40000)));
    RunPeer("sox -V1 -D -t raw -r 8000 -e signed -b 16 -L -c " + std::to_string(channels) + " " +
            Quoted(Path("ramp.raw")) + " " + options + " " + Quoted(Path(name)));
  }

  // How sox itself decodes the file to 16 bits.
  std::vector<int16_t> SoxDecoded(const std::string& name) {
    RunPeer("sox -V1 " + Quoted(Path(name)) + " -t raw -e signed -b 16 -L " +
            Quoted(Path("dec.raw")));
    return ReadRawLE16(Path("dec.raw"));
  }

  std::string ImportWith(Converter importer, const std::string& name) {
    ConversionContext context = Context();
    importer(context, settings, Path(name), Path("out.smp"));
    return std::filesystem::exists(Path("out.smp")) ? ReadFile(Path("out.smp")) : std::string();
  }
};

TEST_F(SoxWrittenAuAiff, AuFilesImportToTheSamplesSoxDecodes) {
  struct Case {
    std::string options;
    int channels;
  };
  const std::vector<Case> cases = {
      {"-e mu-law", 1},       {"-e a-law", 1},        {"-e signed -b 8", 1},
      {"-e signed -b 16", 1}, {"-e signed -b 16", 2}, {"-e mu-law", 2},
  };
  for (const Case& c : cases) {
    SoxWrite("in.au", c.options, c.channels);
    const std::string smp =
        ImportWith(&WithSection<&ConversionSettings::ImportAU, &ImportAU>, "in.au");
    EXPECT_EQ(SmpFileSamples(smp), SoxDecoded("in.au")) << c.options;
    EXPECT_EQ(ItemValue(SmpItems(smp), "sftot"), std::to_string(8000 * c.channels)) << c.options;
    EXPECT_EQ(ItemValue(SmpItems(smp), "nchans"), std::to_string(c.channels)) << c.options;
    if (c.options == "-e signed -b 16") {
      EXPECT_EQ(SmpFileSamples(smp), Spread(40000));
    }
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SoxWrittenAuAiff, AiffAndUncompressedAifcImportToTheSamplesSoxDecodes) {
  struct Case {
    std::string name;
    std::string options;
    int channels;
  };
  const std::vector<Case> cases = {
      {"in.aif", "-e signed -b 8", 1},  {"in.aif", "-e signed -b 16", 1},
      {"in.aif", "-e signed -b 16", 2}, {"in.aifc", "-e signed -b 16", 2},
      {"in.aifc", "-e signed -b 8", 1},
  };
  for (const Case& c : cases) {
    SoxWrite(c.name, c.options, c.channels);
    const std::string smp =
        ImportWith(&WithSection<&ConversionSettings::ImportAIF, &ImportAIFF>, c.name);
    EXPECT_EQ(SmpFileSamples(smp), SoxDecoded(c.name)) << c.name << c.options;
    EXPECT_EQ(ItemValue(SmpItems(smp), "sftot"), std::to_string(8000 * c.channels)) << c.name;
    EXPECT_EQ(ItemValue(SmpItems(smp), "nchans"), std::to_string(c.channels)) << c.name;
  }
  EXPECT_TRUE(boxes.shown.empty());
}

// sox cannot write a little-endian AIFC; libsndfile writes it with compression type "sowt".
TEST_F(SoxWrittenAuAiff, LittleEndianAifcImportsItsSamples) {
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = 1;
  info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
  SNDFILE* file = sf_open(Path("in.aifc").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const std::vector<int16_t> samples = Spread(100);
  sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  ASSERT_NE(ReadFile(Path("in.aifc")).find("sowt"), std::string::npos);

  const std::string smp =
      ImportWith(&WithSection<&ConversionSettings::ImportAIF, &ImportAIFF>, "in.aifc");
  EXPECT_EQ(SmpFileSamples(smp), samples);
  EXPECT_EQ(ItemValue(SmpItems(smp), "sftot"), "8000");
  EXPECT_TRUE(boxes.shown.empty());
}

// A file libsndfile opened, closed when the test is done with it.
class SndFile {
 public:
  explicit SndFile(const std::string& path) : file_(sf_open(path.c_str(), SFM_READ, &info_)) {}
  ~SndFile() {
    if (file_ != nullptr) {
      sf_close(file_);
    }
  }
  SndFile(const SndFile&) = delete;
  SndFile& operator=(const SndFile&) = delete;

  bool ok() const { return file_ != nullptr; }
  const SF_INFO& info() const { return info_; }
  std::vector<short> Shorts() {
    std::vector<short> out(static_cast<size_t>(info_.frames * info_.channels));
    out.resize(
        static_cast<size_t>(sf_read_short(file_, out.data(), static_cast<sf_count_t>(out.size()))));
    return out;
  }
  std::vector<int> Ints() {
    std::vector<int> out(static_cast<size_t>(info_.frames * info_.channels));
    out.resize(
        static_cast<size_t>(sf_read_int(file_, out.data(), static_cast<sf_count_t>(out.size()))));
    return out;
  }

 private:
  SF_INFO info_{};
  SNDFILE* file_;
};

class AuAiffReadBySndfile : public ConverterTest {
 protected:
  void SetUp() override {
    // Unscaled and undithered, so the expected codes follow from the samples alone.
    settings.ExportAU.FitAmplitude = false;
    settings.ExportAU.DitherNoise = false;
    settings.ExportAIF.FitAmplitude = false;
    settings.ExportAIF.DitherNoise = false;
  }

  std::string ExportWith(Converter exporter, const std::string& sftot, const std::string& nchans,
                         const std::vector<std::string>& extra = {}) {
    WriteFile(Path("in.smp"), SmpFile(SourceItems(sftot, nchans, extra), samples));
    ConversionContext context = Context();
    exporter(context, settings, Path("in.smp"), Path("out"));
    return Path("out");
  }

  std::vector<int16_t> samples = Spread(40001);
};

TEST_F(AuAiffReadBySndfile, EveryAuCodingReadsBackWithItsFormatAndSamples) {
  struct Case {
    int32_t setting;
    int subtype;
  };
  for (const Case c :
       {Case{0, SF_FORMAT_ULAW}, Case{1, SF_FORMAT_ALAW}, Case{2, SF_FORMAT_PCM_S8},
        Case{3, SF_FORMAT_PCM_16}, Case{4, SF_FORMAT_PCM_24}, Case{5, SF_FORMAT_PCM_32}}) {
    for (const bool head : {false, true}) {
      settings.ExportAU.Encoding = c.setting;
      settings.ExportAU.StoreSMPHeader = head;
      SndFile file(
          ExportWith(&WithSection<&ConversionSettings::ExportAU, &ExportAU>, "16000", "1"));
      ASSERT_TRUE(file.ok()) << c.setting << sf_strerror(nullptr);
      EXPECT_EQ(file.info().format, SF_FORMAT_AU | c.subtype) << c.setting;
      EXPECT_EQ(file.info().samplerate, 16000);
      EXPECT_EQ(file.info().channels, 1);
      ASSERT_EQ(file.info().frames, static_cast<sf_count_t>(samples.size())) << c.setting;
      if (c.setting >= 4) {
        const std::vector<int> read = file.Ints();
        ASSERT_EQ(read.size(), samples.size());
        for (size_t i = 0; i < samples.size(); ++i) {
          ASSERT_EQ(read[i], samples[i] * 65536) << c.setting << " at " << i;
        }
        continue;
      }
      const std::vector<short> read = file.Shorts();
      ASSERT_EQ(read.size(), samples.size());
      for (size_t i = 0; i < samples.size(); ++i) {
        const int16_t x = samples[i];
        const int16_t expected = c.setting == 0   ? MuLawToLinear(LinearToMuLaw(x))
                                 : c.setting == 1 ? ALawToLinear(LinearToALaw(x))
                                 : c.setting == 2 ? static_cast<int16_t>((x >> 8) * 256)
                                                  : x;
        ASSERT_EQ(read[i], expected) << c.setting << " at " << i;
      }
    }
  }
}

TEST_F(AuAiffReadBySndfile, StereoAuKeepsTheInterleavedFrames) {
  samples = Spread(3000);
  SndFile file(ExportWith(&WithSection<&ConversionSettings::ExportAU, &ExportAU>, "88200", "2"));
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(file.info().samplerate, 44100);
  EXPECT_EQ(file.info().channels, 2);
  EXPECT_EQ(file.info().frames, 1500);
  const std::vector<short> read = file.Shorts();
  EXPECT_EQ(std::vector<int16_t>(read.begin(), read.end()), samples);
}

TEST_F(AuAiffReadBySndfile, BothAiffCodingsReadBackWithTheirChunks) {
  for (const int32_t coding : {0, 1}) {
    for (const bool extras : {false, true}) {
      settings.ExportAIF.Encoding = coding;
      settings.ExportAIF.StoreSMPHeader = extras;
      const std::vector<std::string> status =
          extras ? std::vector<std::string>{"AES/EBUchstatus=1,2,3"} : std::vector<std::string>{};
      // An odd number of 8-bit samples ends in a pad byte.
      SndFile file(ExportWith(&WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>, "16000",
                              "1", status));
      ASSERT_TRUE(file.ok()) << coding << sf_strerror(nullptr);
      EXPECT_EQ(file.info().format,
                SF_FORMAT_AIFF | (coding == 0 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16));
      EXPECT_EQ(file.info().samplerate, 16000);
      EXPECT_EQ(file.info().channels, 1);
      ASSERT_EQ(file.info().frames, static_cast<sf_count_t>(samples.size()));
      const std::vector<short> read = file.Shorts();
      ASSERT_EQ(read.size(), samples.size());
      for (size_t i = 0; i < samples.size(); ++i) {
        const int16_t x = samples[i];
        ASSERT_EQ(read[i], coding == 0 ? static_cast<int16_t>((x >> 8) * 256) : x)
            << coding << " at " << i;
      }
    }
  }
}

// libsndfile keeps the rate as an integer; sox reports the extended real as it stands.
TEST_F(AuAiffReadBySndfile, StereoAiffAt11025TotalHasTheRate5512AndAHalf) {
  samples = Spread(3000);
  const std::string path =
      ExportWith(&WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>, "11025", "2");
  SndFile file(path);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(file.info().channels, 2);
  EXPECT_EQ(file.info().frames, 1500);
  EXPECT_EQ(file.info().samplerate, 5512);
  const std::vector<short> read = file.Shorts();
  EXPECT_EQ(std::vector<int16_t>(read.begin(), read.end()), samples);
  std::filesystem::rename(path, Path("out.aif"));
  EXPECT_EQ(CommandOutput("sox --i -r " + Quoted(Path("out.aif"))), "5512.5\n");
}

}  // namespace
}  // namespace vorsel::test
