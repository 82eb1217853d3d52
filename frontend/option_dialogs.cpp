#include "frontend/option_dialogs.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/dotnum.h"

namespace vorsel {

namespace {

constexpr std::array<std::string_view, 4> kViewPageNames = {"from WAV", "from AU", "from AIFF",
                                                            "from NSP"};

bool LocaleUsesDecimalComma() {
  const char* radix = nl_langinfo(RADIXCHAR);
  return radix != nullptr && std::strcmp(radix, ",") == 0;
}

std::string Label(std::string_view field, std::string_view page) {
  return std::string(field) + ", " + std::string(page);
}

ImportViewPage ShowView(const ImportViewSettings& view) {
  return {.view = ViewText(view), .range = RangeText(view), .msbFirst = view.MSBFirst};
}

// The view fields, then the range fields, each parsed when it is reached.
void StoreViewAndRange(const ImportViewPage& page, std::string_view pageName,
                       ImportViewSettings& view) {
  const std::string viewLabel = Label("view=", pageName);
  view.ViewLo = ParseRealField(CommaField(page.view, 1), viewLabel);
  view.ViewHi = ParseRealField(CommaField(page.view, 2), viewLabel);
  view.Unit = CommaField(page.view, 3);
  view.AxisText = CommaField(page.view, 4);
  const std::string rangeLabel = Label("range=", pageName);
  view.RangeLo = ParseRealField(CommaField(page.range, 1), rangeLabel);
  view.RangeHi = ParseRealField(CommaField(page.range, 2), rangeLabel);
}

ExportCodingPage ShowCoding(bool fit, bool dither, bool store, int32_t encoding, int items) {
  return {.encoding = RadioItem(encoding, items),
          .storeSMPHeader = store,
          .fitAmplitude = fit,
          .ditherNoise = dither};
}

bool Linear(int item) {
  return item == 2 || item == 3;
}
bool Is8Bit(int item) {
  return item >= 0 && item <= 2;
}
bool Is8BitLinear(int item) {
  return item == 2;
}
bool Is16BitLinear(int item) {
  return item == 3;
}
bool IsFirst(int item) {
  return item == 0;
}
bool Ticked(int state) {
  return state != 0;
}

constexpr VisibilityRule kVisibilityRules[] = {
    {OptionsDialog::Import, "from RAW", "rawencodingradio", Linear, {"rawsignedradio", ""}},
    {OptionsDialog::Import,
     "from RAW",
     "rawencodingradio",
     Is16BitLinear,
     {"rawbyteorderradio", ""}},
    {OptionsDialog::Export, "to WAV", "wavencodingradio", Is8Bit, {"wavfitcheck", ""}},
    {OptionsDialog::Export, "to WAV", "wavencodingradio", Is8BitLinear, {"wavdithercheck", ""}},
    {OptionsDialog::Export, "to WAV", "wavstoresmpcheck", Ticked, {"wavinfolabel", ""}},
    {OptionsDialog::Export, "to AU", "auencodingradio", Is8Bit, {"aufitcheck", ""}},
    {OptionsDialog::Export, "to AU", "auencodingradio", Is8BitLinear, {"audithercheck", ""}},
    {OptionsDialog::Export, "to AU", "austoresmpcheck", Ticked, {"Label3", ""}},
    {OptionsDialog::Export,
     "to AIFF",
     "aifencodingradio",
     IsFirst,
     {"aiffitcheck", "aifdithercheck"}},
    {OptionsDialog::Export, "to RAW", "rawencodingradio", Is8Bit, {"rawfitcheck", ""}},
    {OptionsDialog::Export, "to RAW", "rawencodingradio", Is8BitLinear, {"rawdithercheck", ""}},
    {OptionsDialog::Export, "to RAW", "rawencodingradio", Linear, {"rawsignedradio", ""}},
    {OptionsDialog::Export, "to RAW", "rawencodingradio", Is16BitLinear, {"rawbyteorderradio", ""}},
};

}  // namespace

std::string ViewText(const ImportViewSettings& view) {
  std::string text = FloatToStrDot(view.ViewLo) + "," + FloatToStrDot(view.ViewHi);
  if (!view.AxisText.empty()) {
    text += "," + view.Unit + "," + view.AxisText;
  } else if (!view.Unit.empty()) {
    text += "," + view.Unit;
  }
  return text;
}

std::string RangeText(const ImportViewSettings& view) {
  return FloatToStrDot(view.RangeLo) + "," + FloatToStrDot(view.RangeHi);
}

std::string CommaField(std::string_view text, int n) {
  for (int field = 1; field < n; ++field) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
      return "";
    }
    text.remove_prefix(comma + 1);
  }
  return std::string(text.substr(0, text.find(',')));
}

double ParseRealField(std::string_view text, std::string_view fieldLabel) {
  try {
    return StrToFloatDot(text);
  } catch (const EConvertError& error) {
    if (text.empty() || (text.find(',') == std::string_view::npos && !LocaleUsesDecimalComma())) {
      throw;
    }
    throw EConvertError(std::string(error.what()) + "\rUse \".\" as the decimal separator (" +
                        std::string(fieldLabel) + ")");
  }
}

int32_t ParseIntegerField(std::string_view text) {
  if (const auto value = DecimalInt32(text)) {
    return *value;
  }
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

int RadioItem(int32_t value, int itemCount) {
  if (value < 0) {
    return -1;
  }
  return value >= itemCount ? itemCount - 1 : static_cast<int>(value);
}

ImportOptionsControls ShowImportOptions(const ConversionSettings& settings) {
  ImportOptionsControls controls;
  controls.view = {ShowView(settings.ImportWAV), ShowView(settings.ImportAU),
                   ShowView(settings.ImportAIF), ShowView(settings.ImportNSP)};

  const ImportRAWSettings& raw = settings.ImportRAW;
  static_cast<ImportViewPage&>(controls.raw) = ShowView(raw);
  controls.raw.sfTot = FloatToStrDot(raw.SfTot);
  controls.raw.nChans = std::to_string(raw.nChans);
  controls.raw.strip = std::to_string(raw.StripBytes);
  controls.raw.encoding = RadioItem(raw.Encoding, 4);
  controls.raw.signedItem = raw.Signed ? 0 : 1;
  controls.raw.byteOrder = RadioItem(raw.ByteOrder, 2);

  const ImportTXTSettings& txt = settings.ImportTXT;
  static_cast<ImportViewPage&>(controls.txt) = ShowView(txt);
  controls.txt.sfTot = FloatToStrDot(txt.SfTot);
  controls.txt.nChans = std::to_string(txt.nChans);
  controls.txt.strip = std::to_string(txt.StripLines);
  controls.txt.commaItem = txt.CommaIsSeparator ? 1 : 0;
  controls.txt.invalidAction = RadioItem(txt.InvalidNumberAction, 3);
  controls.txt.overloadAction = RadioItem(txt.OverloadAction, 3);
  return controls;
}

void StoreImportOptions(const ImportOptionsControls& controls, ConversionSettings& settings) {
  ImportViewSettings* const views[] = {&settings.ImportWAV, &settings.ImportAU, &settings.ImportAIF,
                                       &settings.ImportNSP};
  for (size_t page = 0; page < controls.view.size(); ++page) {
    StoreViewAndRange(controls.view[page], kViewPageNames[page], *views[page]);
    views[page]->MSBFirst = controls.view[page].msbFirst;
  }

  const ImportRAWPage& raw = controls.raw;
  ImportRAWSettings& rawSettings = settings.ImportRAW;
  StoreViewAndRange(raw, "from RAW", rawSettings);
  rawSettings.ByteOrder = raw.byteOrder;
  rawSettings.MSBFirst = raw.msbFirst;
  rawSettings.Signed = raw.signedItem == 0;
  rawSettings.SfTot = ParseRealField(raw.sfTot, "sftot=, from RAW");
  rawSettings.nChans = ParseIntegerField(raw.nChans);
  rawSettings.StripBytes = ParseIntegerField(raw.strip);
  rawSettings.Encoding = raw.encoding;

  const ImportTXTPage& txt = controls.txt;
  ImportTXTSettings& txtSettings = settings.ImportTXT;
  StoreViewAndRange(txt, "from TXT", txtSettings);
  txtSettings.MSBFirst = txt.msbFirst;
  txtSettings.SfTot = ParseRealField(txt.sfTot, "sftot=, from TXT");
  txtSettings.nChans = ParseIntegerField(txt.nChans);
  txtSettings.StripLines = ParseIntegerField(txt.strip);
  txtSettings.CommaIsSeparator = txt.commaItem == 1;
  txtSettings.InvalidNumberAction = txt.invalidAction;
  txtSettings.OverloadAction = txt.overloadAction;
}

ExportOptionsControls ShowExportOptions(const ConversionSettings& settings) {
  const ExportCodingSettings& wav = settings.ExportWAV;
  const ExportCodingSettings& au = settings.ExportAU;
  const ExportAIFSettings& aif = settings.ExportAIF;
  const ExportRAWSettings& raw = settings.ExportRAW;
  std::string extension = raw.Extension;
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return {
      .wav = ShowCoding(wav.FitAmplitude, wav.DitherNoise, wav.StoreSMPHeader, wav.Encoding, 4),
      .au = ShowCoding(au.FitAmplitude, au.DitherNoise, au.StoreSMPHeader, au.Encoding, 4),
      .aif = ShowCoding(aif.FitAmplitude, aif.DitherNoise, aif.StoreSMPHeader, aif.Encoding, 2),
      .nsp = {.storeSMPHeader = settings.ExportNSP.StoreSMPHeader,
              .oneChannelType = RadioItem(settings.ExportNSP.OneChannelType, 2),
              .twoChannelType = RadioItem(settings.ExportNSP.TwoChannelType, 3)},
      .raw = {.headerBytes = std::to_string(raw.HeaderBytes),
              .encoding = RadioItem(raw.Encoding, 4),
              .fitAmplitude = raw.FitAmplitude,
              .ditherNoise = raw.DitherNoise,
              .signedItem = raw.Signed ? 0 : 1,
              .byteOrder = raw.MSBFirst ? 1 : 0,
              .extensionItem = extension == ".raw" ? 0 : 1,
              .otherExtension = raw.OtherExtension},
  };
}

std::string DottedExtension(std::string_view text) {
  if (!text.empty() && text.front() == '.') {
    return std::string(text);
  }
  std::string dotted(".");
  dotted += text;
  return dotted;
}

void StoreExportOptions(ExportOptionsControls& controls, ConversionSettings& settings) {
  ExportCodingSettings& wav = settings.ExportWAV;
  wav.Encoding = controls.wav.encoding;
  wav.FitAmplitude = controls.wav.fitAmplitude;
  wav.StoreSMPHeader = controls.wav.storeSMPHeader;
  wav.DitherNoise = controls.wav.ditherNoise;

  ExportRAWPage& raw = controls.raw;
  ExportRAWSettings& rawSettings = settings.ExportRAW;
  rawSettings.HeaderBytes = ParseIntegerField(raw.headerBytes);
  rawSettings.FitAmplitude = raw.fitAmplitude;
  rawSettings.DitherNoise = raw.ditherNoise;
  rawSettings.Signed = raw.signedItem == 0;
  rawSettings.Encoding = raw.encoding;
  rawSettings.MSBFirst = raw.byteOrder == 1;
  raw.otherExtension = DottedExtension(raw.otherExtension);
  // The batch puts the extension after the input's base name; a "/" would lead elsewhere.
  if (raw.otherExtension.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    throw EConvertError("The file extension \"" + raw.otherExtension +
                        "\" cannot hold \"/\" or a NUL character: RAW files are written beside "
                        "their input");
  }
  rawSettings.OtherExtension = raw.otherExtension;
  rawSettings.Extension = raw.extensionItem == 0 ? ".raw" : raw.otherExtension;

  ExportCodingSettings& au = settings.ExportAU;
  au.FitAmplitude = controls.au.fitAmplitude;
  au.DitherNoise = controls.au.ditherNoise;
  au.Encoding = controls.au.encoding;
  au.StoreSMPHeader = controls.au.storeSMPHeader;

  ExportAIFSettings& aif = settings.ExportAIF;
  aif.Encoding = controls.aif.encoding;
  aif.FitAmplitude = controls.aif.fitAmplitude;
  aif.StoreSMPHeader = controls.aif.storeSMPHeader;
  aif.DitherNoise = controls.aif.ditherNoise;

  settings.ExportNSP.StoreSMPHeader = controls.nsp.storeSMPHeader;
  settings.ExportNSP.OneChannelType = controls.nsp.oneChannelType;
  settings.ExportNSP.TwoChannelType = controls.nsp.twoChannelType;
}

void ShowNamingOptions(const ConversionSettings& settings, NamingControls& controls) {
  const CommonSettings& common = settings.Common;
  if (common.Naming >= 0 && common.Naming <= 3) {
    controls.naming = common.Naming;
  }
  controls.appendString = common.AppendString;
  controls.limitTo8Plus3 = common.LimitTo8Plus3;
  controls.overwrite = common.OverWrite;
  controls.fileTypeItem = common.UseExtensionAsId ? 1 : 0;
}

void StoreNamingOptions(const NamingControls& controls, ConversionSettings& settings) {
  CommonSettings& common = settings.Common;
  if (controls.naming >= 0 && controls.naming <= 3) {
    common.Naming = controls.naming;
  }
  common.AppendString = controls.appendString;
  common.LimitTo8Plus3 = controls.limitTo8Plus3;
  common.OverWrite = controls.overwrite;
  common.UseExtensionAsId = controls.fileTypeItem == 1;
}

int NamingAfterEditClick(int naming) {
  return naming == 1 || naming == 2 ? naming : 2;
}

std::span<const VisibilityRule> VisibilityRules() {
  return kVisibilityRules;
}

}  // namespace vorsel
