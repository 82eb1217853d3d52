#pragma once

// What the import, export and naming option dialogs show and store, without widgets: the
// dialogs copy their controls into these plain records and back.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "frontend/conversion_settings.h"

namespace vorsel {

// "ViewLo,ViewHi", then ",Unit,AxisText" when AxisText is set, else ",Unit" when Unit is set.
std::string ViewText(const ImportViewSettings& view);
// "RangeLo,RangeHi".
std::string RangeText(const ImportViewSettings& view);

// Field n (from 1) of a comma list: the text between the (n - 1)-th and the n-th comma, or to
// the end; empty beyond the last comma.
std::string CommaField(std::string_view text, int n);

// A real typed into the dialog, "." as decimal separator whatever the locale. Throws
// EConvertError; a malformed number typed where a decimal comma is at hand gets a second line
// naming the field (fieldLabel, for example "view=, from WAV") and the rule.
double ParseRealField(std::string_view text, std::string_view fieldLabel);
// A decimal integer; throws EConvertError "'text' is not a valid integer value".
int32_t ParseIntegerField(std::string_view text);

// The item a radio group selects for a stored number: beyond the last item the last item,
// below 0 none (-1).
int RadioItem(int32_t value, int itemCount);

// The controls of one of the view pages "from WAV" to "from NSP".
struct ImportViewPage {
  std::string view;
  std::string range;
  bool msbFirst = false;
};

struct ImportRAWPage : ImportViewPage {
  std::string sfTot;
  std::string nChans;
  std::string strip;
  int encoding = 0;    // "Data is"
  int signedItem = 0;  // "Samples are": 0 signed
  int byteOrder = 0;   // "Byte order is in"
};

struct ImportTXTPage : ImportViewPage {
  std::string sfTot;
  std::string nChans;
  std::string strip;
  int commaItem = 0;  // 1: a comma separates channels
  int invalidAction = 0;
  int overloadAction = 0;
};

// The controls of the import options dialog, page by page.
struct ImportOptionsControls {
  std::array<ImportViewPage, 4> view;  // from WAV, AU, AIFF, NSP
  ImportRAWPage raw;
  ImportTXTPage txt;
};

ImportOptionsControls ShowImportOptions(const ConversionSettings& settings);
// Stores page by page; a bad value throws EConvertError and leaves the fields stored before it
// with their new values, those after it with their old ones.
void StoreImportOptions(const ImportOptionsControls& controls, ConversionSettings& settings);

// The controls of the "to WAV", "to AU" and "to AIFF" pages.
struct ExportCodingPage {
  int encoding = 0;
  bool storeSMPHeader = false;
  bool fitAmplitude = false;
  bool ditherNoise = false;
};

struct ExportNSPPage {
  bool storeSMPHeader = false;
  int oneChannelType = 0;
  int twoChannelType = 0;
};

struct ExportRAWPage {
  std::string headerBytes;
  int encoding = 0;
  bool fitAmplitude = false;
  bool ditherNoise = false;
  int signedItem = 0;     // "Make samples": 0 signed
  int byteOrder = 0;      // "Put byte order in": 1 Motorola
  int extensionItem = 0;  // 0 ".raw", 1 "other:"
  std::string otherExtension;
};

struct ExportOptionsControls {
  ExportCodingPage wav;
  ExportCodingPage au;
  ExportCodingPage aif;
  ExportNSPPage nsp;
  ExportRAWPage raw;
};

ExportOptionsControls ShowExportOptions(const ConversionSettings& settings);
// Stores in the dialog's order; the "other:" text gets its leading "." in the controls too.
// A bad value throws EConvertError as for the import dialog; so does an extension holding "/"
// or a NUL, which would name a file outside the input's folder.
void StoreExportOptions(ExportOptionsControls& controls, ConversionSettings& settings);

// The extension rule of the "other:" field: a "." in front unless the text begins with one.
std::string DottedExtension(std::string_view text);

// The naming options: the selected naming button (Common.Naming's number, -1 for none).
struct NamingControls {
  int naming = -1;
  std::string appendString;
  bool limitTo8Plus3 = false;
  int fileTypeItem = 0;  // 1: by extension
  bool overwrite = false;
};

// A stored naming outside 0 to 3 leaves the buttons as they were (controls.naming).
void ShowNamingOptions(const ConversionSettings& settings, NamingControls& controls);
void StoreNamingOptions(const NamingControls& controls, ConversionSettings& settings);
// The naming after a click into the append-string edit: "End with:" unless a mode that uses
// the string is chosen.
int NamingAfterEditClick(int naming);

enum class OptionsDialog { Import, Export };

// A control's state for the visibility rules: a radio group's item, or 1 for a ticked box.
struct VisibilityRule {
  OptionsDialog dialog;
  std::string_view page;
  std::string_view control;
  bool (*shows)(int state);
  std::array<std::string_view, 2> shown;  // the controls it shows or hides; "" fills
};

std::span<const VisibilityRule> VisibilityRules();

}  // namespace vorsel
