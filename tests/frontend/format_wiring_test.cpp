// Every format of the format list, wired end to end through the tables built from it: a file it
// exports is detected as its own, described under its own name, routed back to its own
// importer and named by the import refusal of SMP files.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "formats/format_list.h"
#include "frontend/conversion_settings.h"
#include "frontend/format_probes.h"
#include "frontend/targets.h"
#include "probing/description.h"
#include "probing/filetype.h"
#include "smp/sSMP.h"
#include "tests/support/fake_message_boxes.h"
#include "tests/support/recording_log.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel::test {
namespace {

class FormatWiring : public ::testing::Test {
 protected:
  // Runs a converter of the format list on fresh components.
  void Convert(FormatConverter convert, const std::string& input, const std::string& output) {
    TSMPfile smp;
    RecordingLog log;
    FakeMessageBoxes boxes;
    ConversionContext context{smp, log, boxes, [] {}};
    convert(context, settings, input, output);
    EXPECT_TRUE(boxes.shown.empty()) << input;
  }

  // The codes the format claims.
  static std::set<int32_t> CodesOf(const FormatDescriptor& format) {
    std::set<int32_t> codes;
    for (const FormatFileType& type : format.types) {
      codes.insert(type.code);
    }
    return codes;
  }

  TempDir dir;
  ConversionSettings settings;
};

TEST_F(FormatWiring, EveryExportIsDetectedDescribedAndImportedAsItsOwnFormat) {
  const std::string source = dir / "source.smp";
  WriteFile(source, SmpFile({"head=1024", "file=samp", "sftot=8000", "nchans=1", "msb=last"},
                            Ramp(400, -200)));
  int exports = 0;
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (!format->exporter) {
      continue;
    }
    ++exports;
    SCOPED_TRACE(format->format);
    const std::string exported = dir / ("out" + format->exporter->extension(settings));
    Convert(format->exporter->convert, source, exported);
    ASSERT_TRUE(std::filesystem::exists(exported));

    settings.Common.UseExtensionAsId = false;
    const int32_t byContent = FileTypeOf(exported, ProbeSettingsOf(settings));
    EXPECT_TRUE(CodesOf(*format).contains(byContent)) << byContent;
    settings.Common.UseExtensionAsId = true;
    EXPECT_EQ(FileTypeOf(exported, ProbeSettingsOf(settings)), byContent);
    settings.Common.UseExtensionAsId = false;

    const std::string name(FileTypeCodeName(byContent, ForeignFormatProbes()));
    const std::string description = FileDescription(exported, ProbeSettingsOf(settings));
    EXPECT_TRUE(description.starts_with(name + " ")) << description;
    // The formats with a header tell the rate they wrote.
    if (format->describe != nullptr) {
      EXPECT_NE(description.find("8000 Hz, 1 channel"), std::string::npos) << description;
    }

    const ImportRoute* route = FindImportRoute(ImportRoutes(), byContent);
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(route->Format, format->format);
    const ConversionTarget* target = FindTargetByCliAction(format->exporter->cliAction);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->Format, format->format);

    const std::string imported = dir / ("back-" + std::string(format->format) + ".smp");
    settings.ImportRAW.nChans = 1;
    Convert(format->importer->convert, exported, imported);
    TSMPfile back;
    ASSERT_TRUE(back.open_file(imported, true));
    EXPECT_EQ(back.nSamples(), 400);
    back.close_file();
  }
  EXPECT_EQ(exports, 5);
}

// The formats that say they carry the SMP head have the switch for it, and carry it.
TEST_F(FormatWiring, TheEmbeddedHeadComesBackWhereTheFormatCarriesIt) {
  const std::string source = dir / "source.smp";
  WriteFile(source,
            SmpFile({"head=1024", "file=samp", "sftot=8000", "nchans=1", "msb=last", "mark=kept"},
                    Ramp(10)));
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (!format->exporter) {
      continue;
    }
    SCOPED_TRACE(format->format);
    int switches = 0;
    for (const SettingsSection& section : format->settings) {
      for (const SettingRow& row : section.rows) {
        if (row.key == "StoreSMPHeader") {
          *std::get<bool*>(row.ref(settings)) = true;
          ++switches;
        }
      }
    }
    EXPECT_EQ(switches, format->embeddedHead ? 1 : 0);
    const std::string exported = dir / ("head" + format->exporter->extension(settings));
    Convert(format->exporter->convert, source, exported);
    const std::string imported = dir / ("head-" + std::string(format->format) + ".smp");
    Convert(format->importer->convert, exported, imported);
    TSMPfile back;
    ASSERT_TRUE(back.open_file(imported, true));
    EXPECT_EQ(back.get_item("mark"), format->embeddedHead ? "kept" : "");
    back.close_file();
  }
}

TEST_F(FormatWiring, TextIsDetectedAfterTheOtherFormatsAndRoutedToItsImporter) {
  const std::string text = dir / "columns.dat";
  WriteFile(text, "0.5\r\n-0.25\r\n");
  const int32_t type = FileTypeOf(text, ProbeSettingsOf(settings));
  EXPECT_EQ(FileTypeCodeName(type, ForeignFormatProbes()), "TXT");
  EXPECT_EQ(FindImportRoute(ImportRoutes(), type)->Format, "TXT");
  // Bytes that no format claims are headerless data, whose route logs what it assumes.
  WriteFile(text, std::string("\x01\x02\x03\x04\x05", 5));
  const int32_t raw = FileTypeOf(text, ProbeSettingsOf(settings));
  EXPECT_EQ(raw, kUnrecognisedFileType);
  EXPECT_EQ(FindImportRoute(ImportRoutes(), raw)->Format, "RAW");
  EXPECT_EQ(FindImportRoute(ImportRoutes(), raw)->AssumptionLine(settings),
            "Assuming:16-bit Signed, Intel");
}

TEST_F(FormatWiring, TheTablesHoldEachCodeSectionAndButtonOnce) {
  std::set<int32_t> codes = {ftSMP};
  std::set<std::string> sections;
  for (const FormatDescriptor* format : ForeignFormats()) {
    for (const FormatFileType& type : format->types) {
      EXPECT_TRUE(codes.insert(type.code).second) << type.name;
    }
    for (const SettingsSection& section : format->settings) {
      EXPECT_TRUE(sections.insert(std::string(section.name)).second) << section.name;
    }
  }
  EXPECT_TRUE(codes.contains(kUnrecognisedFileType));
  EXPECT_EQ(FileTypeCodeName(kUnrecognisedFileType, ForeignFormatProbes()), "RAW");
  EXPECT_EQ(ConversionTargets().size(), 6u);
}

TEST(SMPImportRefusal, NamesEveryExportExtension) {
  EXPECT_EQ(SMPImportRefusal(), "Only .au, .wav, .aif, .nsp and .raw files can be imported!");
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (format->exporter) {
      EXPECT_NE(SMPImportRefusal().find(format->exporter->refusalExtension), std::string::npos)
          << format->format;
    }
  }
}

// Silence written in 8-bit linear shows the representation the format declares: 0x80 in offset
// binary, 0x00 in two's complement.
TEST_F(FormatWiring, EightBitSilenceHasTheDeclaredRepresentation) {
  // The Encoding value of each format's 8-bit linear coding.
  const std::map<std::string_view, int32_t> linear8 = {
      {"WAV", 2}, {"AU", 2}, {"AIFF", 0}, {"RAW", 2}};
  const std::string source = dir / "silence.smp";
  WriteFile(source,
            SmpFile({"head=1024", "file=samp", "sftot=8000", "nchans=1", "msb=last"}, {0, 0}));
  for (const FormatDescriptor* format : ForeignFormats()) {
    if (!format->exporter || !format->exporter->eightBit) {
      continue;
    }
    SCOPED_TRACE(format->format);
    ASSERT_TRUE(linear8.contains(format->format));
    for (const SettingsSection& section : format->settings) {
      for (const SettingRow& row : section.rows) {
        if (row.key == "Encoding" && section.name.starts_with("Export")) {
          *std::get<int32_t*>(row.ref(settings)) = linear8.at(format->format);
        } else if (row.key == "FitAmplitude" || row.key == "DitherNoise") {
          *std::get<bool*>(row.ref(settings)) = false;
        }
      }
    }
    const std::optional<Representation> declared = format->exporter->eightBit->representation;
    for (const bool signedBytes : {true, false}) {
      settings.ExportRAW.Signed = signedBytes;
      const std::string exported = dir / ("silence" + format->exporter->extension(settings));
      std::filesystem::remove(exported);
      Convert(format->exporter->convert, source, exported);
      const Representation expected =
          declared.value_or(signedBytes ? Representation::Signed : Representation::OffsetBinary);
      EXPECT_EQ(ReadFile(exported).substr(ReadFile(exported).size() - 2),
                std::string(2, expected == Representation::Signed ? '\x00' : '\x80'));
    }
  }
}

}  // namespace
}  // namespace vorsel::test
