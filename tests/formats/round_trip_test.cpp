// Every export target in each of its codings and variants, imported again: over channel
// layouts, both byte orders of the SMP source and several chunk lengths of the SMP component,
// the samples come back unchanged from the lossless codings, and from an 8-bit coding as
// samples that a second round trip keeps.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/nsp.h"
#include "formats/raw.h"
#include "formats/wav.h"
#include "tests/formats/au_aiff_test_support.h"
#include "tests/formats/wav_test_support.h"

namespace vorsel {
namespace {

using Settings = ConversionSettings;

struct Variant {
  std::string name;
  Converter exporter;
  Converter importer;
  void (*configure)(Settings& settings, int32_t coding);
  int32_t coding;
  int tolerance;  // 0 for a lossless coding
};

void PrintTo(const Variant& variant, std::ostream* out) {
  *out << variant.name;
}

void Plain(Settings& s) {
  s.ExportWAV.FitAmplitude = s.ExportAU.FitAmplitude = s.ExportAIF.FitAmplitude = false;
  s.ExportRAW.FitAmplitude = false;
  s.ExportWAV.DitherNoise = s.ExportAU.DitherNoise = s.ExportAIF.DitherNoise = false;
  s.ExportRAW.DitherNoise = false;
  // The head goes with the samples, so that a channel layout comes back.
  s.ExportWAV.StoreSMPHeader = s.ExportAU.StoreSMPHeader = s.ExportAIF.StoreSMPHeader = true;
  s.ExportNSP.StoreSMPHeader = true;
}

// The steps of the G.711 codings near full scale, and of 8-bit linear.
constexpr int kG711Step = 1100;
constexpr int kLinear8Step = 256;

std::vector<Variant> Variants() {
  std::vector<Variant> variants;
  const Converter importWav = &WithSection<&Settings::ImportWAV, &ImportWAV>;
  const Converter importAu = &WithSection<&Settings::ImportAU, &ImportAU>;
  const Converter importAiff = &WithSection<&Settings::ImportAIF, &ImportAIFF>;
  const Converter importNsp = &WithSection<&Settings::ImportNSP, &ImportNSP>;
  const Converter importRaw = &WithSection<&Settings::ImportRAW, &ImportRAW>;
  const int wavTolerance[] = {kG711Step, kG711Step, kLinear8Step, 0};
  for (int32_t coding = 0; coding < 4; ++coding) {
    variants.push_back(
        {"WAV" + std::to_string(coding), &WithSection<&Settings::ExportWAV, &ExportWAV>, importWav,
         [](Settings& s, int32_t c) { s.ExportWAV.Encoding = c; }, coding, wavTolerance[coding]});
  }
  // AU 24- and 32-bit exports have no import to come back through.
  for (int32_t coding = 0; coding < 4; ++coding) {
    variants.push_back({"AU" + std::to_string(coding), &WithSection<&Settings::ExportAU, &ExportAU>,
                        importAu, [](Settings& s, int32_t c) { s.ExportAU.Encoding = c; }, coding,
                        wavTolerance[coding]});
  }
  for (int32_t coding = 0; coding < 2; ++coding) {
    variants.push_back({"AIFF" + std::to_string(coding),
                        &WithSection<&Settings::ExportAIF, &ExportAIFF>, importAiff,
                        [](Settings& s, int32_t c) { s.ExportAIF.Encoding = c; }, coding,
                        coding == 0 ? kLinear8Step : 0});
  }
  // The NSP chunk layouts: one- and two-channel types.
  for (int32_t type = 0; type < 6; ++type) {
    variants.push_back({"NSP" + std::to_string(type),
                        &WithSection<&Settings::ExportNSP, &ExportNSP>, importNsp,
                        [](Settings& s, int32_t t) {
                          s.ExportNSP.OneChannelType = t % 2;
                          s.ExportNSP.TwoChannelType = t / 2;
                        },
                        type, 0});
  }
  // RAW: the coding, and each byte order and representation, told to the import as well.
  for (int32_t variant = 0; variant < 16; ++variant) {
    const int32_t coding = variant % 4;
    variants.push_back({"RAW" + std::to_string(variant),
                        &WithSection<&Settings::ExportRAW, &ExportRAW>, importRaw,
                        [](Settings& s, int32_t v) {
                          s.ExportRAW.Encoding = s.ImportRAW.Encoding = v % 4;
                          s.ExportRAW.MSBFirst = (v & 4) != 0;
                          s.ImportRAW.ByteOrder = s.ExportRAW.MSBFirst ? 1 : 0;
                          s.ExportRAW.Signed = s.ImportRAW.Signed = (v & 8) != 0;
                        },
                        variant, wavTolerance[coding]});
  }
  return variants;
}

struct Layout {
  int32_t channels;
  std::string scan;  // empty: the plain order
};

class RoundTrip : public test::ConverterTest, public ::testing::WithParamInterface<Variant> {
 protected:
  // Exports `source`, imports the export into `result`; the samples `result` stores.
  std::vector<int16_t> Through(const std::string& source, const std::string& result, int32_t slots,
                               int32_t chunkSamples) {
    const Variant& variant = GetParam();
    Settings s = settings;
    Plain(s);
    variant.configure(s, variant.coding);
    s.ImportRAW.nChans = slots;
    smp.SetChunknSamples(chunkSamples);
    ConversionContext context = Context();
    variant.exporter(context, s, source, Path("exported"));
    EXPECT_TRUE(std::filesystem::exists(Path("exported"))) << log.lines.back();
    variant.importer(context, s, Path("exported"), result);
    std::filesystem::remove(Path("exported"));
    TSMPfile reader;
    if (!reader.open_file(result, true)) {
      ADD_FAILURE() << "no import of the export: " << log.lines.back();
      return {};
    }
    std::vector<int16_t> samples = test::ReadAll(reader);
    reader.close_file();
    return samples;
  }
};

TEST_P(RoundTrip, TheSamplesComeBack) {
  const Layout layouts[] = {{1, ""}, {2, ""}, {3, ""}, {2, "1,0"}};
  for (const Layout& layout : layouts) {
    for (const bool msbFirst : {false, true}) {
      for (const int32_t chunkSamples : {1, 7, kChunkCapacity}) {
        SCOPED_TRACE(std::to_string(layout.channels) + " channels, scan \"" + layout.scan +
                     "\", msb " + (msbFirst ? "first" : "last") + ", chunks of " +
                     std::to_string(chunkSamples));
        // An odd number of scans, a few of them, across the whole 16-bit range.
        const std::vector<int16_t> source = test::Spread(37 * static_cast<size_t>(layout.channels));
        std::vector<std::string> items = {"sftot=" + std::to_string(8000 * layout.channels),
                                          "nchans=" + std::to_string(layout.channels),
                                          std::string("msb=") + (msbFirst ? "first" : "last")};
        if (!layout.scan.empty()) {
          items.push_back("scan=" + layout.scan);
        }
        test::WriteFile(Path("a.smp"), test::SmpFile(items, source, msbFirst));
        const std::vector<int16_t> once =
            Through(Path("a.smp"), Path("b.smp"), layout.channels, chunkSamples);
        ASSERT_EQ(once.size(), source.size());
        if (GetParam().tolerance == 0) {
          EXPECT_EQ(once, source);
          continue;
        }
        for (size_t i = 0; i < source.size(); ++i) {
          ASSERT_LE(std::abs(once[i] - source[i]), GetParam().tolerance) << "sample " << i;
        }
        EXPECT_EQ(Through(Path("b.smp"), Path("c.smp"), layout.channels, chunkSamples), once);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryExport, RoundTrip, ::testing::ValuesIn(Variants()),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace vorsel
