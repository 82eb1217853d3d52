#include "frontend/option_dialogs.h"

#include <clocale>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "frontend/output_name.h"
#include "platform/dotnum.h"

namespace vorsel {
namespace {

// Naming mode 0 never asks.
class NoFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> ExecuteSave(const SaveDialogRequest&) override { return {}; }
  std::optional<std::string> ExecuteOpen(const OpenDialogRequest&) override { return {}; }
};

std::string ErrorOf(auto&& store) {
  try {
    store();
  } catch (const EConvertError& error) {
    return error.what();
  }
  return "<no error>";
}

// Every control of the three dialogs moved away from what a fresh record shows.
ImportOptionsControls ChangedImportControls() {
  ImportOptionsControls c;
  for (ImportViewPage& page : c.view) {
    page = {.view = "-2,3,Pa,Pressure", .range = "-100,100", .msbFirst = true};
  }
  static_cast<ImportViewPage&>(c.raw) = c.view[0];
  c.raw.sfTot = "8000";
  c.raw.nChans = "2";
  c.raw.strip = "44";
  c.raw.encoding = 1;
  c.raw.signedItem = 1;
  c.raw.byteOrder = 1;
  static_cast<ImportViewPage&>(c.txt) = c.view[0];
  c.txt.sfTot = "22050.5";
  c.txt.nChans = "3";
  c.txt.strip = "1";
  c.txt.commaItem = 1;
  c.txt.invalidAction = 2;
  c.txt.overloadAction = 1;
  return c;
}

ExportOptionsControls ChangedExportControls() {
  const ExportCodingPage coding{
      .encoding = 0, .storeSMPHeader = true, .fitAmplitude = false, .ditherNoise = false};
  return {.wav = coding,
          .au = coding,
          .aif = coding,
          .nsp = {.storeSMPHeader = true, .oneChannelType = 1, .twoChannelType = 2},
          .raw = {.headerBytes = "12",
                  .encoding = 2,
                  .fitAmplitude = false,
                  .ditherNoise = false,
                  .signedItem = 1,
                  .byteOrder = 1,
                  .extensionItem = 1,
                  .otherExtension = "pcm"}};
}

TEST(ViewText, ShowsAndReadsBackUnitAndAxisText) {
  ConversionSettings settings;
  ImportOptionsControls controls = ShowImportOptions(settings);
  EXPECT_EQ(controls.view[0].view, "-1,1");
  EXPECT_EQ(controls.view[0].range, "-32768,32768");
  EXPECT_EQ(controls.raw.sfTot, "16000");

  controls.view[0].view = "-1,1,V,Amplitude";
  controls.view[1].view = "-1,1,,x";
  controls.view[2].view = "-1,1,mV";
  controls.view[3].view = "0.25,1e3,a,b,ignored,too";
  StoreImportOptions(controls, settings);
  EXPECT_EQ(settings.ImportWAV.Unit, "V");
  EXPECT_EQ(settings.ImportWAV.AxisText, "Amplitude");
  EXPECT_EQ(settings.ImportAU.Unit, "");
  EXPECT_EQ(settings.ImportAU.AxisText, "x");
  EXPECT_EQ(settings.ImportNSP.ViewHi, 1000);
  EXPECT_EQ(settings.ImportNSP.AxisText, "b");

  const ImportOptionsControls shown = ShowImportOptions(settings);
  EXPECT_EQ(shown.view[0].view, "-1,1,V,Amplitude");
  EXPECT_EQ(shown.view[1].view, "-1,1,,x");
  EXPECT_EQ(shown.view[2].view, "-1,1,mV");
  EXPECT_EQ(shown.view[3].view, "0.25,1000,a,b");
}

TEST(ViewText, CommaFields) {
  EXPECT_EQ(CommaField("a,b,c", 1), "a");
  EXPECT_EQ(CommaField("a,b,c", 3), "c");
  EXPECT_EQ(CommaField("a,b,c", 4), "");
  EXPECT_EQ(CommaField("a,,c", 2), "");
  EXPECT_EQ(CommaField("", 1), "");
}

TEST(ViewText, RangeIsReadWithADotUnderADecimalCommaLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no German locale";
  }
  ConversionSettings settings;
  ImportOptionsControls controls = ShowImportOptions(settings);
  controls.txt.range = "0.5,2";
  StoreImportOptions(controls, settings);
  const std::string error = ErrorOf([&] {
    controls.raw.sfTot = "8000,5";
    StoreImportOptions(controls, settings);
  });
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(settings.ImportTXT.RangeLo, 0.5);
  EXPECT_EQ(settings.ImportTXT.RangeHi, 2);
  EXPECT_EQ(error,
            "'8000,5' is not a valid floating point value\r"
            "Use \".\" as the decimal separator (sftot=, from RAW)");
}

TEST(ImportStore, StopsAtTheFirstBadValueKeepingWhatCameBefore) {
  ConversionSettings settings;
  ImportOptionsControls controls = ChangedImportControls();
  controls.view[1].view = "";  // from AU fails at ViewLo
  EXPECT_EQ(ErrorOf([&] { StoreImportOptions(controls, settings); }),
            "Cannot convert empty string to number");
  EXPECT_EQ(settings.ImportWAV.ViewLo, -2);
  EXPECT_TRUE(settings.ImportWAV.MSBFirst);
  EXPECT_EQ(settings.ImportAU.ViewLo, -1);
  EXPECT_EQ(settings.ImportAIF.RangeLo, -32768);

  settings = {};
  controls.view[1].view = "-5";  // one number: fails at ViewHi, ViewLo already stored
  EXPECT_EQ(ErrorOf([&] { StoreImportOptions(controls, settings); }),
            "Cannot convert empty string to number");
  EXPECT_EQ(settings.ImportAU.ViewLo, -5);
  EXPECT_EQ(settings.ImportAU.ViewHi, 1);
  EXPECT_FALSE(settings.ImportAU.MSBFirst);

  settings = {};
  controls = ChangedImportControls();
  controls.raw.nChans = "two";
  EXPECT_EQ(ErrorOf([&] { StoreImportOptions(controls, settings); }),
            "'two' is not a valid integer value");
  EXPECT_EQ(settings.ImportRAW.SfTot, 8000);    // before nChans
  EXPECT_EQ(settings.ImportRAW.StripBytes, 0);  // after it
  EXPECT_EQ(settings.ImportRAW.Encoding, 3);
  EXPECT_EQ(settings.ImportTXT.ViewLo, -1);

  controls = ChangedImportControls();
  controls.txt.sfTot = "1.2.3";
  EXPECT_EQ(ErrorOf([&] { StoreImportOptions(controls, settings); }),
            "'1.2.3' is not a valid floating point value");
  controls.txt.sfTot = "16000";
  controls.txt.strip = "99999999999";
  EXPECT_EQ(ErrorOf([&] { StoreImportOptions(controls, settings); }),
            "'99999999999' is not a valid integer value");
}

TEST(ExportShow, CodingsBeyondTheLastItemSelectTheLast) {
  ConversionSettings settings;
  settings.ExportAIF.Encoding = 7;
  settings.ExportWAV.Encoding = 9;
  settings.ExportNSP.TwoChannelType = 5;
  settings.ExportRAW.Encoding = -1;
  ExportOptionsControls controls = ShowExportOptions(settings);
  EXPECT_EQ(controls.aif.encoding, 1);
  EXPECT_EQ(controls.wav.encoding, 3);
  EXPECT_EQ(controls.nsp.twoChannelType, 2);
  EXPECT_EQ(controls.raw.encoding, -1);
  StoreExportOptions(controls, settings);
  EXPECT_EQ(settings.ExportAIF.Encoding, 1);
  EXPECT_EQ(settings.ExportWAV.Encoding, 3);

  settings.ExportRAW.Extension = ".RAW";
  EXPECT_EQ(ShowExportOptions(settings).raw.extensionItem, 0);
  settings.ExportRAW.Extension = ".pcm";
  EXPECT_EQ(ShowExportOptions(settings).raw.extensionItem, 1);
}

TEST(ExportStore, OtherExtensionGetsItsDot) {
  EXPECT_EQ(DottedExtension("pcm"), ".pcm");
  EXPECT_EQ(DottedExtension("p.cm"), ".p.cm");
  EXPECT_EQ(DottedExtension(".pcm"), ".pcm");
  EXPECT_EQ(DottedExtension(""), ".");

  ConversionSettings settings;
  ExportOptionsControls controls = ChangedExportControls();
  StoreExportOptions(controls, settings);
  EXPECT_EQ(controls.raw.otherExtension, ".pcm");
  EXPECT_EQ(settings.ExportRAW.OtherExtension, ".pcm");
  EXPECT_EQ(settings.ExportRAW.Extension, ".pcm");

  controls.raw.otherExtension = "";
  controls.raw.extensionItem = 0;
  StoreExportOptions(controls, settings);
  EXPECT_EQ(settings.ExportRAW.OtherExtension, ".");
  EXPECT_EQ(settings.ExportRAW.Extension, ".raw");

  // "other:" empty: RAW files get a name ending in ".".
  controls.raw.otherExtension = "";
  controls.raw.extensionItem = 1;
  StoreExportOptions(controls, settings);
  EXPECT_EQ(settings.ExportRAW.Extension, ".");
  NoFileDialogs dialogs;
  EXPECT_EQ(OutputNamingProblem(settings, settings.ExportRAW.Extension), std::nullopt);
  EXPECT_EQ(MakeOutputName("/sounds/take.smp", settings.ExportRAW.Extension, settings, dialogs),
            "/sounds/take.");
}

TEST(ExportStore, RefusesExtensionsThatLeaveTheFolderAndStopsAtBadValues) {
  ConversionSettings settings;
  ExportOptionsControls controls = ChangedExportControls();
  controls.raw.otherExtension = "x/../../y";
  EXPECT_EQ(ErrorOf([&] { StoreExportOptions(controls, settings); }),
            "The file extension \".x/../../y\" cannot hold \"/\" or a NUL character: RAW files "
            "are written beside their input");
  EXPECT_EQ(settings.ExportRAW.OtherExtension, ".raw");
  EXPECT_EQ(settings.ExportRAW.Encoding, 2);  // stored before the extension
  EXPECT_EQ(settings.ExportAU.Encoding, 3);   // after it
  controls.raw.otherExtension = std::string("a\0b", 3);
  EXPECT_NE(ErrorOf([&] { StoreExportOptions(controls, settings); }), "<no error>");

  settings = {};
  controls = ChangedExportControls();
  controls.raw.headerBytes = "1.5";
  EXPECT_EQ(ErrorOf([&] { StoreExportOptions(controls, settings); }),
            "'1.5' is not a valid integer value");
  EXPECT_EQ(settings.ExportWAV.Encoding, 0);
  EXPECT_TRUE(settings.ExportRAW.FitAmplitude);
  EXPECT_FALSE(settings.ExportNSP.StoreSMPHeader);
}

TEST(NamingOptions, ShowStoreAndTheEditClick) {
  ConversionSettings settings;
  NamingControls controls;
  settings.Common.Naming = 2;
  ShowNamingOptions(settings, controls);
  EXPECT_EQ(controls.naming, 2);
  settings.Common.Naming = 9;  // keeps the buttons' last state
  ShowNamingOptions(settings, controls);
  EXPECT_EQ(controls.naming, 2);

  controls = {.naming = -1, .appendString = "", .fileTypeItem = 1, .overwrite = true};
  StoreNamingOptions(controls, settings);
  EXPECT_EQ(settings.Common.Naming, 9);
  EXPECT_EQ(settings.Common.AppendString, "");
  EXPECT_TRUE(settings.Common.UseExtensionAsId);
  EXPECT_TRUE(settings.Common.OverWrite);

  EXPECT_EQ(NamingAfterEditClick(0), 2);
  EXPECT_EQ(NamingAfterEditClick(3), 2);
  EXPECT_EQ(NamingAfterEditClick(1), 1);
  EXPECT_EQ(NamingAfterEditClick(2), 2);
}

TEST(VisibilityRules, FollowTheCodings) {
  auto shown = [](OptionsDialog dialog, std::string_view control, int state) {
    std::set<std::string_view> names;
    for (const VisibilityRule& rule : VisibilityRules()) {
      if (rule.dialog == dialog && rule.control == control && rule.shows(state)) {
        for (std::string_view name : rule.shown) {
          if (!name.empty()) {
            names.insert(name);
          }
        }
      }
    }
    return names;
  };
  using Names = std::set<std::string_view>;
  EXPECT_EQ(shown(OptionsDialog::Import, "rawencodingradio", 1), Names{});
  EXPECT_EQ(shown(OptionsDialog::Import, "rawencodingradio", 2), Names{"rawsignedradio"});
  EXPECT_EQ(shown(OptionsDialog::Import, "rawencodingradio", 3),
            (Names{"rawsignedradio", "rawbyteorderradio"}));
  EXPECT_EQ(shown(OptionsDialog::Export, "wavencodingradio", 0), Names{"wavfitcheck"});
  EXPECT_EQ(shown(OptionsDialog::Export, "wavencodingradio", 2),
            (Names{"wavfitcheck", "wavdithercheck"}));
  EXPECT_EQ(shown(OptionsDialog::Export, "wavencodingradio", 3), Names{});
  EXPECT_EQ(shown(OptionsDialog::Export, "austoresmpcheck", 1), Names{"Label3"});
  EXPECT_EQ(shown(OptionsDialog::Export, "wavstoresmpcheck", 0), Names{});
  EXPECT_EQ(shown(OptionsDialog::Export, "aifencodingradio", 0),
            (Names{"aiffitcheck", "aifdithercheck"}));
  EXPECT_EQ(shown(OptionsDialog::Export, "aifencodingradio", 1), Names{});
  EXPECT_EQ(shown(OptionsDialog::Export, "rawencodingradio", 3),
            (Names{"rawsignedradio", "rawbyteorderradio"}));
  EXPECT_EQ(shown(OptionsDialog::Export, "rawencodingradio", 2),
            (Names{"rawfitcheck", "rawdithercheck", "rawsignedradio"}));
}

// Every field the dialogs edit changes when every control changes; the rest are the window's.
TEST(OptionDialogs, ReachEveryEditableField) {
  const std::set<std::string_view> notInTheseDialogs = {
      "XPos",    "YPos",   "FileTypes",   "CustomMask",  "FavouriteImport",
      "Version", "Action", "ImportIndex", "ExportIndex", "SaveSettingsOnExit"};
  const ConversionSettings fresh;
  ConversionSettings settings;
  StoreImportOptions(ChangedImportControls(), settings);
  ExportOptionsControls exports = ChangedExportControls();
  StoreExportOptions(exports, settings);
  StoreNamingOptions({.naming = 3,
                      .appendString = "x",
                      .limitTo8Plus3 = true,
                      .fileTypeItem = 1,
                      .overwrite = true},
                     settings);
  for (const SettingField& field : SettingFields()) {
    if (field.section == "Common" && notInTheseDialogs.contains(field.key)) {
      continue;
    }
    ConversionSettings before = fresh;
    EXPECT_NE(SettingText(field, settings), SettingText(field, before))
        << field.section << "." << field.key << " is stored by no control";
  }
}

}  // namespace
}  // namespace vorsel
