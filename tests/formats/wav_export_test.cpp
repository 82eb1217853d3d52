#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "codings/fit.h"
#include "codings/g711.h"
#include "formats/wav.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::ReadFile;
using test::ReadU16;
using test::ReadU32;
using test::SmpHead;
using test::SmpSamples;
using test::U32;
using test::WriteFile;

std::vector<int16_t> Ramp(size_t count, int step = 1) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i < count; ++i) {
    samples.push_back(static_cast<int16_t>((static_cast<int>(i) * step) % 30000 - 15000));
  }
  return samples;
}

class WavExport : public test::ConverterTest {
 protected:
  // Writes in.smp with `items` and `samples`, exports it to out.wav and returns its bytes.
  std::string Export(const std::vector<std::string>& items, const std::vector<int16_t>& samples,
                     bool msbFirst = false, std::string_view tail = "") {
    WriteFile(Path("in.smp"), SmpHead(items) + SmpSamples(samples, msbFirst) + std::string(tail));
    ConversionContext context = Context();
    ExportWAV(context, settings.ExportWAV, Path("in.smp"), Path("out.wav"));
    return std::filesystem::exists(Path("out.wav")) ? ReadFile(Path("out.wav")) : std::string();
  }
};

const std::vector<std::string> kMono16k = {"head=1024", "sftot=16000", "nchans=1", "msb=last"};

TEST_F(WavExport, DefaultSixteenBitFileOfAThousandSamples) {
  const std::vector<int16_t> samples = Ramp(1000, 37);
  const std::string wav = Export(kMono16k, samples);
  ASSERT_EQ(wav.size(), 2044u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(ReadU32(wav, 4), 2036u);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(ReadU32(wav, 16), 16u);
  EXPECT_EQ(ReadU16(wav, 20), 1);
  EXPECT_EQ(ReadU16(wav, 22), 1);
  EXPECT_EQ(ReadU32(wav, 24), 16000u);
  EXPECT_EQ(ReadU32(wav, 28), 32000u);
  EXPECT_EQ(ReadU16(wav, 32), 2);
  EXPECT_EQ(ReadU16(wav, 34), 16);
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(ReadU32(wav, 40), 2000u);
  EXPECT_EQ(wav.substr(44), SmpSamples(samples, false));
  EXPECT_EQ(log.lines, std::vector<std::string>{"in.smp -> out.wav"});
  EXPECT_GT(ticks, 0);
}

TEST_F(WavExport, MuLawAndALawCarryAFactChunk) {
  settings.ExportWAV.FitAmplitude = false;
  const std::vector<int16_t> samples = Ramp(1000, 61);
  for (const int32_t coding : {0, 1}) {
    settings.ExportWAV.Encoding = coding;
    const std::string wav = Export(kMono16k, samples);
    ASSERT_EQ(wav.size(), 1058u);
    EXPECT_EQ(ReadU32(wav, 4), 1050u);
    EXPECT_EQ(ReadU32(wav, 16), 18u);
    EXPECT_EQ(ReadU16(wav, 20), coding == 0 ? 7 : 6);
    EXPECT_EQ(ReadU32(wav, 28), 16000u);
    EXPECT_EQ(ReadU16(wav, 32), 1);
    EXPECT_EQ(ReadU16(wav, 34), 8);
    EXPECT_EQ(ReadU16(wav, 36), 0);
    EXPECT_EQ(wav.substr(38, 4), "fact");
    EXPECT_EQ(ReadU32(wav, 42), 4u);
    EXPECT_EQ(ReadU32(wav, 46), 1000u);
    EXPECT_EQ(wav.substr(50, 4), "data");
    EXPECT_EQ(ReadU32(wav, 54), 1000u);
    for (size_t i = 0; i < samples.size(); ++i) {
      const uint8_t expected = coding == 0 ? LinearToMuLaw(samples[i]) : LinearToALaw(samples[i]);
      ASSERT_EQ(static_cast<uint8_t>(wav[58 + i]), expected) << i;
    }
  }
}

TEST_F(WavExport, EightBitLinearIsOffsetBinaryWithoutFact) {
  settings.ExportWAV.Encoding = 2;
  settings.ExportWAV.FitAmplitude = false;
  settings.ExportWAV.DitherNoise = false;
  const std::string wav = Export(kMono16k, {0, 32767, -32768, 255, 256, -1, -256, -257});
  ASSERT_EQ(wav.size(), 52u);
  EXPECT_EQ(ReadU32(wav, 4), 44u);
  EXPECT_EQ(ReadU16(wav, 20), 1);
  EXPECT_EQ(ReadU16(wav, 34), 8);
  EXPECT_EQ(ReadU32(wav, 28), 16000u);
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(wav.substr(44), std::string("\x80\xff\x00\x80\x81\x7f\x7f\x7e", 8));
}

TEST_F(WavExport, DitherNearFullScaleClipsInsteadOfWrapping) {
  settings.ExportWAV.Encoding = 2;
  settings.ExportWAV.FitAmplitude = false;
  settings.ExportWAV.DitherNoise = true;
  const std::string wav = Export(kMono16k, std::vector<int16_t>(4000, 32767));
  ASSERT_EQ(wav.size(), 4044u);
  EXPECT_EQ(wav.substr(44), std::string(4000, '\xff'));
}

TEST_F(WavExport, FitFactorFollowsTheExtremesAndLeavesSixteenBitAlone) {
  // Equal magnitudes of minimum and maximum: no fitting in WAV.
  settings.ExportWAV.Encoding = 0;
  std::string wav = Export(kMono16k, {-1000, 0, 500, 1000});
  EXPECT_EQ(
      wav.substr(58),
      std::string({static_cast<char>(LinearToMuLaw(-1000)), static_cast<char>(LinearToMuLaw(0)),
                   static_cast<char>(LinearToMuLaw(500)), static_cast<char>(LinearToMuLaw(1000))}));

  // Peak 1000, dither on: the headroom for dither stays, in float precision.
  const std::vector<int16_t> samples = {-500, 0, 333, 1000};
  wav = Export(kMono16k, samples);
  const double factor = static_cast<float>(32511.0 / 1000.0);
  ASSERT_EQ(wav.size(), 62u);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto scaled = static_cast<int16_t>(std::nearbyint(samples[i] * factor));
    EXPECT_EQ(static_cast<uint8_t>(wav[58 + i]), LinearToMuLaw(scaled)) << i;
  }
  EXPECT_EQ(static_cast<uint8_t>(wav[61]), LinearToMuLaw(32511));

  settings.ExportWAV.Encoding = 3;
  wav = Export(kMono16k, samples);
  EXPECT_EQ(wav.substr(44), SmpSamples(samples, false));
}

TEST_F(WavExport, RatePerChannelRoundsHalvesToEven) {
  const std::vector<int16_t> samples = {1, 2, 3, 4};
  std::string wav = Export({"sftot=32000", "nchans=2"}, samples);
  EXPECT_EQ(ReadU32(wav, 24), 16000u);
  EXPECT_EQ(ReadU16(wav, 22), 2);
  EXPECT_EQ(ReadU16(wav, 32), 4);
  EXPECT_EQ(ReadU32(wav, 28), 64000u);
  wav = Export({"sftot=11025", "nchans=2"}, samples);
  EXPECT_EQ(ReadU32(wav, 24), 5512u);
  wav = Export({"sftot=11027", "nchans=2"}, samples);
  EXPECT_EQ(ReadU32(wav, 24), 5514u);
}

TEST_F(WavExport, EmbeddedHeadSitsBetweenFormatAndData) {
  settings.ExportWAV.StoreSMPHeader = true;
  const std::vector<std::string> items = {"head=1024", "sftot=16000", "nchans=1", "speaker=anna"};
  const std::vector<int16_t> samples = Ramp(10);
  std::string wav = Export(items, samples);
  ASSERT_EQ(wav.size(), 1076u + 20u);
  EXPECT_EQ(ReadU32(wav, 4), 20u + 1068u);
  EXPECT_EQ(wav.substr(36, 8), "kelm" + U32(1024));
  EXPECT_EQ(wav.substr(44, 1024), SmpHead(items));
  EXPECT_EQ(wav.substr(1068, 4), "data");
  EXPECT_EQ(ReadU32(wav, 1072), 20u);
  EXPECT_EQ(wav.substr(1076), SmpSamples(samples, false));

  settings.ExportWAV.Encoding = 1;
  wav = Export(items, samples);
  EXPECT_EQ(ReadU32(wav, 4), 10u + 50u + 1032u);
  EXPECT_EQ(wav.substr(50, 8), "kelm" + U32(1024));
  EXPECT_EQ(wav.substr(1082, 4), "data");
}

TEST_F(WavExport, ByteOrderOfTheSourceDoesNotShowInTheOutput) {
  const std::vector<int16_t> samples = Ramp(500, 113);
  const std::string fromLsb = Export({"sftot=8000", "msb=last"}, samples, false);
  const std::string fromMsb = Export({"sftot=8000", "msb=first"}, samples, true);
  ASSERT_EQ(fromLsb.size(), 1044u);
  EXPECT_EQ(fromLsb, fromMsb);
}

TEST_F(WavExport, SizesCountOnlyTheWholeScansThatAreWritten) {
  // 1000 stereo scans, then a lone sample and an odd byte.
  const std::vector<int16_t> samples = Ramp(2001);
  const std::string wav = Export({"sftot=16000", "nchans=2"}, samples, false, "\x01");
  ASSERT_EQ(wav.size(), 4044u);
  EXPECT_EQ(ReadU32(wav, 4), 4036u);
  EXPECT_EQ(ReadU32(wav, 40), 4000u);

  settings.ExportWAV.Encoding = 0;
  const std::string mu = Export({"sftot=16000", "nchans=2"}, samples, false, "\x01");
  ASSERT_EQ(mu.size(), 2058u);
  EXPECT_EQ(ReadU32(mu, 4), 2050u);
  EXPECT_EQ(ReadU32(mu, 46), 2000u);
  EXPECT_EQ(ReadU32(mu, 54), 2000u);
}

TEST_F(WavExport, RefusalsLeaveNoOutput) {
  struct Case {
    std::vector<std::string> items;
    std::string line;
  };
  const std::vector<Case> cases = {
      {{"nchans=3", "scan=0,1,0,2", "sftot=32000"}, " has split rate! Conversion aborted."},
      {{"nchans=0"},
       ": nchans=0, sftot=16000 cannot be written to a WAV file! Conversion aborted."},
      {{"sftot=-8000"},
       ": nchans=1, sftot=-8000 cannot be written to a WAV file! Conversion aborted."},
  };
  for (const Case& c : cases) {
    log.lines.clear();
    EXPECT_EQ(Export(c.items, Ramp(12)), "");
    EXPECT_EQ(log.lines, (std::vector<std::string>{"in.smp -> out.wav", Path("in.smp") + c.line}));
  }

  log.lines.clear();
  settings.ExportWAV.Encoding = 4;
  EXPECT_EQ(Export(kMono16k, Ramp(12)), "");
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"in.smp -> out.wav",
                                      Path("in.smp") + ": coding 4 of ExportWAV.Encoding is not "
                                                       "supported. Conversion aborted."}));
}

}  // namespace
}  // namespace vorsel
