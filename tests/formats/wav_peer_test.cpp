// WAV files written by sox and ffmpeg are imported, and every exported coding is read back by
// libsndfile: the peers, not this program's own reader, judge the bytes.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "codings/fit.h"
#include "codings/g711.h"
#include "formats/wav.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using test::ItemValue;
using test::Quoted;
using test::ReadFile;
using test::ReadU16;
using test::ReadU32;
using test::RunPeer;
using test::SmpFileSamples;
using test::SmpHead;
using test::SmpItems;
using test::SmpSamples;
using test::WriteFile;

struct SndfileRead {
  SF_INFO info{};
  std::vector<int16_t> samples;
};

// Decodes a whole file with libsndfile into 16-bit samples.
SndfileRead ReadWithSndfile(const std::string& path) {
  SndfileRead result;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &result.info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (file == nullptr) {
    return result;
  }
  result.samples.resize(static_cast<size_t>(result.info.frames * result.info.channels));
  const sf_count_t frames = sf_readf_short(file, result.samples.data(), result.info.frames);
  EXPECT_EQ(frames, result.info.frames);
  sf_close(file);
  return result;
}

class WavPeers : public test::ConverterTest {
 protected:
  void Import(const std::string& wav, const std::string& smpPath) {
    ConversionContext context = Context();
    ImportWAV(context, settings.ImportWAV, wav, smpPath);
  }
  void Export(const std::string& smpPath, const std::string& wav) {
    ConversionContext context = Context();
    ExportWAV(context, settings.ExportWAV, smpPath, wav);
  }

  // Imports a peer's file and compares rate, channels and every sample with libsndfile's
  // reading of the same file.
  void ExpectImportedAsSndfileReadsIt(const std::string& wav, int rate, int channels) {
    const SndfileRead peer = ReadWithSndfile(wav);
    ASSERT_EQ(peer.info.samplerate, rate);
    ASSERT_EQ(peer.info.channels, channels);
    ASSERT_GT(peer.info.frames, 0);
    Import(wav, Path("imported.smp"));
    EXPECT_TRUE(boxes.shown.empty());
    const std::string smp = ReadFile(Path("imported.smp"));
    const std::vector<std::string> items = SmpItems(smp);
    EXPECT_EQ(ItemValue(items, "nchans"), std::to_string(channels));
    EXPECT_EQ(ItemValue(items, "sftot"), std::to_string(rate * channels));
    EXPECT_EQ(SmpFileSamples(smp), peer.samples) << wav;
  }
};

TEST_F(WavPeers, ImportsWhatSoxWrites) {
  struct Case {
    std::string options;
    int rate;
    int channels;
    uint32_t formatSize;
  };
  const std::vector<Case> cases = {
      {"-r 44100 -c 2 -b 16 -e signed-integer", 44100, 2, 16},
      {"-r 22050 -c 1 -b 16 -e signed-integer", 22050, 1, 16},
      {"-r 8000 -c 1 -b 8 -e unsigned-integer", 8000, 1, 16},
      {"-r 11025 -c 2 -b 8 -e unsigned-integer", 11025, 2, 16},
      {"-r 8000 -c 2 -e a-law", 8000, 2, 18},
      {"-r 8000 -c 1 -e a-law", 8000, 1, 18},
      {"-r 16000 -c 1 -e u-law", 16000, 1, 18},
      {"-r 8000 -c 2 -e u-law", 8000, 2, 18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string wav = Path("sox.wav");
    RunPeer("sox -V1 -n " + c.options + " " + Quoted(wav) + " synth 0.25 whitenoise vol 0.7");
    const std::string bytes = ReadFile(wav);
    ASSERT_EQ(ReadU32(bytes, 16), c.formatSize);
    if (c.formatSize == 18) {
      ASSERT_EQ(bytes.substr(38, 4), "fact");
    }
    ExpectImportedAsSndfileReadsIt(wav, c.rate, c.channels);
  }
}

TEST_F(WavPeers, ImportsFfmpegFilesWithListChunks) {
  const std::string source = Path("source.wav");
  RunPeer("sox -V1 -n -r 22050 -c 2 -b 16 " + Quoted(source) + " synth 0.2 sine 440 sine 660");
  for (const std::string codec : {"pcm_s16le", "pcm_mulaw", "pcm_alaw", "pcm_u8"}) {
    SCOPED_TRACE(codec);
    const std::string wav = Path("ffmpeg.wav");
    RunPeer("ffmpeg -nostdin -loglevel error -y -i " + Quoted(source) + " -c:a " + codec +
            " -metadata title=odd " + Quoted(wav));
    ASSERT_NE(ReadFile(wav).find("LIST"), std::string::npos);
    ExpectImportedAsSndfileReadsIt(wav, 22050, 2);
  }
}

TEST_F(WavPeers, FortyByteFormatChunk) {
  // sox writes a 40-byte format chunk for more than two channels, as WAVE_FORMAT_EXTENSIBLE
  // with the PCM sub-format, which the importer takes as PCM.
  const std::string wav = Path("three.wav");
  RunPeer("sox -V1 -n -r 8000 -c 3 -b 16 " + Quoted(wav) + " synth 0.1 sine 300 sine 400 sine 500");
  std::string bytes = ReadFile(wav);
  ASSERT_EQ(ReadU32(bytes, 16), 40u);
  ASSERT_EQ(ReadU16(bytes, 20), 0xFFFE);
  const SndfileRead peer = ReadWithSndfile(wav);
  Import(wav, Path("three.smp"));
  EXPECT_TRUE(boxes.shown.empty());
  std::string smp = ReadFile(Path("three.smp"));
  EXPECT_EQ(ItemValue(SmpItems(smp), "nchans"), "3");
  EXPECT_EQ(SmpFileSamples(smp), peer.samples);

  // The same chunk with the plain PCM tag: the 24 extra bytes are skipped.
  bytes[20] = 1;
  bytes[21] = 0;
  const std::string plain = Path("plain.wav");
  WriteFile(plain, bytes);
  Import(plain, Path("plain.smp"));
  EXPECT_TRUE(boxes.shown.empty());
  smp = ReadFile(Path("plain.smp"));
  EXPECT_EQ(ItemValue(SmpItems(smp), "nchans"), "3");
  EXPECT_EQ(SmpFileSamples(smp), peer.samples);
}

TEST_F(WavPeers, SixteenBitSoxFileSurvivesImportAndExportBitExactly) {
  for (const std::string channels : {"1", "2"}) {
    const std::string wav = Path("sox" + channels + ".wav");
    RunPeer("sox -V1 -n -r 44100 -c " + channels + " -b 16 " + Quoted(wav) +
            " synth 0.5 whitenoise vol 0.9");
    Import(wav, Path("trip.smp"));
    Export(Path("trip.smp"), Path("back.wav"));
    EXPECT_EQ(ReadFile(Path("back.wav")), ReadFile(wav)) << channels;
  }
}

TEST_F(WavPeers, StoredHeadSurvivesExportAndImport) {
  settings.ExportWAV.StoreSMPHeader = true;
  settings.ImportWAV.ViewLo = -5;
  const std::vector<std::string> items = {
      "head=1024",      "file=samp",     "sftot=16000",      "nchans=1",
      "msb=first",      "view=-2,2,Pa",  "range=-1000,1000", "date=01.02.2003 04:05:06",
      "proc0=recorder", "L1=0,10,start", "speaker=anna"};
  const std::vector<int16_t> samples = {1, -2, 300, -32768, 32767};
  WriteFile(Path("in.smp"), SmpHead(items) + SmpSamples(samples, true));
  Export(Path("in.smp"), Path("mid.wav"));
  const SndfileRead peer = ReadWithSndfile(Path("mid.wav"));
  EXPECT_EQ(peer.samples, samples);

  Import(Path("mid.wav"), Path("out.smp"));
  const std::string out = ReadFile(Path("out.smp"));
  std::vector<std::string> expected = items;
  expected[4] = "msb=last";  // the import's byte order wins
  expected.push_back("proc1=Vorsel from " + Path("mid.wav"));
  // Every item is back; the import's byte order is set before the head arrives, so its item
  // keeps the place it took then.
  std::vector<std::string> restored = SmpItems(out);
  std::sort(restored.begin(), restored.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(restored, expected);
  EXPECT_EQ(SmpFileSamples(out), samples);
}

// ---- libsndfile reads every exported coding ------------------------------------------------

std::vector<int16_t> TestSignal(int channels, int scans) {
  std::vector<int16_t> samples;
  for (int i = 0; i < scans; ++i) {
    for (int c = 0; c < channels; ++c) {
      samples.push_back(static_cast<int16_t>(
          std::lround((c == 0 ? 20000.0 : 9000.0) * std::sin(0.01 * i * (c + 1)) + (i % 7) * 3)));
    }
  }
  samples[1] = -21000;  // so that minimum and maximum differ in magnitude
  return samples;
}

struct ExportCase {
  int32_t coding;
  bool fit;
  bool dither;
  int subtype;
};

TEST_F(WavPeers, SndfileReadsEveryExportedCoding) {
  const std::vector<ExportCase> cases = {
      {0, false, false, SF_FORMAT_ULAW},   {0, true, true, SF_FORMAT_ULAW},
      {1, false, false, SF_FORMAT_ALAW},   {1, true, false, SF_FORMAT_ALAW},
      {2, false, false, SF_FORMAT_PCM_U8}, {2, true, false, SF_FORMAT_PCM_U8},
      {2, true, true, SF_FORMAT_PCM_U8},   {3, true, true, SF_FORMAT_PCM_16},
  };
  for (const ExportCase& c : cases) {
    for (const int channels : {1, 2}) {
      for (const bool head : {false, true}) {
        SCOPED_TRACE(std::to_string(c.coding) + (c.fit ? " fit" : "") +
                     (c.dither ? " dither" : "") + " channels " + std::to_string(channels) +
                     (head ? " with head" : ""));
        settings.ExportWAV = {c.fit, c.dither, head, c.coding};
        const std::vector<int16_t> samples = TestSignal(channels, 3000);
        WriteFile(Path("in.smp"), SmpHead({"sftot=" + std::to_string(22050 * channels),
                                           "nchans=" + std::to_string(channels)}) +
                                      SmpSamples(samples, false));
        Export(Path("in.smp"), Path("out.wav"));
        const SndfileRead peer = ReadWithSndfile(Path("out.wav"));
        EXPECT_EQ(peer.info.format, SF_FORMAT_WAV | c.subtype);
        EXPECT_EQ(peer.info.samplerate, 22050);
        EXPECT_EQ(peer.info.channels, channels);
        EXPECT_EQ(peer.info.frames, 3000);
        ASSERT_EQ(peer.samples.size(), samples.size());

        const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
        const double factor = FitFactor(*lo, *hi, c.fit, c.dither, kWAVFitRule);
        for (size_t i = 0; i < samples.size(); ++i) {
          const int16_t x = samples[i];
          const int16_t got = peer.samples[i];
          switch (c.coding) {
            case 0:
              ASSERT_EQ(got, MuLawToLinear(LinearToMuLaw(ScaleSample(x, factor)))) << i;
              break;
            case 1:
              ASSERT_EQ(got, ALawToLinear(LinearToALaw(ScaleSample(x, factor)))) << i;
              break;
            case 2: {
              // Dither adds 0 to 254 before the truncation: the code is the undithered one or
              // the next above it.
              const int base = EncodeLinear8(x, factor, std::nullopt, Representation::OffsetBinary);
              const int code = got / 256 + 128;
              ASSERT_EQ(got % 256, 0) << i;
              if (c.dither) {
                ASSERT_TRUE(code == base || code == std::min(base + 1, 255)) << i;
              } else {
                ASSERT_EQ(code, base) << i;
              }
              break;
            }
            default:
              ASSERT_EQ(got, x) << i;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vorsel
