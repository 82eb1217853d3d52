#include "kit/about.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <optional>

#include "platform/charset.h"
#include "platform/datetime.h"
#include "platform/dotnum.h"

namespace vorsel {

namespace {

constexpr int kClientWidth = 410;
constexpr int kLinesLeft = 172;
constexpr int kLineWidth = 237;
constexpr int kLineHeight = 13;
constexpr int kPanelHeight = 234;
constexpr int kButtonHeight = 25;
// Without a toolkit to measure text, an average character of the dialog font.
constexpr int kAverageCharWidth = 6;

std::optional<int32_t> WholeNumber(std::string_view text) {
  int32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// The local noon of a day number, so that no time zone moves it to another date.
std::time_t NoonOfDay(int32_t day) {
  std::tm noon{};
  noon.tm_year = 1899 - 1900;
  noon.tm_mon = 11;
  noon.tm_mday = 30 + day;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  return std::mktime(&noon);
}

int EstimatedHeight(std::string_view text, int width) {
  const int charsPerLine = std::max(1, width / kAverageCharWidth);
  int lines = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const int length = static_cast<int>(Utf8Length(text.substr(start, end - start)));
    lines += std::max(1, (length + charsPerLine - 1) / charsPerLine);
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines * kLineHeight;
}

void Place(tAboutElement& element, int left, int top, int width, int height) {
  element.left = left;
  element.top = top;
  element.width = width;
  element.height = height;
}

}  // namespace

std::string CompileDateText() {
  return "Compiled " + DefaultDateText(NoonOfDay(TAbout::kBuildDay));
}

TAbout::TAbout(AboutDialogView* view) : fview(view), fcopyright("Copyright (c) QuorvikData") {
  fform.caption = "About";
  fokbutton.caption = "&Ok";
  fprogicon.picture = std::string(kProgramIcon);
  Place(fprogicon, 372, 9, 41, 37);
  Place(fdravelimage, 4, 4, 153, 225);
  Place(ftitlelabel, kLinesLeft, 16, kLineWidth, 23);
  ftitlelabel.centred = true;
  for (tAboutElement* line : {&fversionlabel, &fdravellabel, &fcopyrightlabel, &fextralabel}) {
    line->centred = true;
  }
  fcompiledatelabel.wordwrap = true;
  fextralabel.wordwrap = true;
  fcompiledatelabel.caption = CompileDateText();
  RefreshLines();
}

void TAbout::SetTitle(std::string value) {
  ftitle = std::move(value);
  RefreshLines();
}

void TAbout::SetVersion(std::string value) {
  fversion = std::move(value);
  RefreshLines();
}

double TAbout::VersionNumber() const {
  try {
    return StrToFloatDot(fversion);
  } catch (const std::exception&) {
    return 0;
  }
}

void TAbout::SetCopyright(std::string value) {
  fcopyright = std::move(value);
  RefreshLines();
}

void TAbout::SetExtra(std::string value) {
  fextra = std::move(value);
  RefreshLines();
}

void TAbout::SetShowADravel(bool value) {
  fshowadravel = value;
  RefreshLines();
}

void TAbout::SetShowCompileDate(bool value) {
  fshowcompiledate = value;
  RefreshLines();
}

void TAbout::SetRevision(std::string value) {
  frevision = std::move(value);
  RefreshLines();
}

void TAbout::SetOSVersions(std::string value) {
  fosversions = std::move(value);
  RefreshLines();
}

int16_t TAbout::intversion() const {
  const std::string_view text = fversion;
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    return static_cast<int16_t>(WholeNumber(text).value_or(0));
  }
  const auto major = WholeNumber(text.substr(0, dot));
  const auto minor = WholeNumber(text.substr(dot + 1));
  if (!major || !minor) {
    return 0;
  }
  return static_cast<int16_t>((*major % 256) * 256 + (*minor % 256));
}

void TAbout::Loaded() {
  if (fversion == "auto") {
    fversion = "3.0";
  }
  if (frevision == "auto") {
    frevision.clear();
  }
  RefreshLines();
}

void TAbout::showmodal() {
  RefreshLines();
  if (fview != nullptr) {
    fview->ShowModal(*this);
  }
}

void TAbout::ProgramIconDoubleClicked() {
  if (foneggclick) {
    foneggclick();
  }
}

void TAbout::KitPictureDoubleClicked() {
  if (fonactivateerrlog) {
    fonactivateerrlog();
  }
}

void TAbout::SetKitLineCaption(std::string caption) {
  fdravellabel.caption = std::move(caption);
  RefreshLines();
}

void TAbout::LoadKitPicture() {
  fdravelimage.picture = std::string(kKitPicture);
  // The picture takes the size of the bitmap it shows.
  fdravelimage.width = 155;
  fdravelimage.height = 226;
}

int TAbout::TextHeight(const tAboutElement& element) const {
  if (element.caption.empty()) {
    return kLineHeight;
  }
  const int height = fview != nullptr ? fview->WrappedTextHeight(element.caption, element.width)
                                      : EstimatedHeight(element.caption, element.width);
  return std::max(kLineHeight, height);
}

void TAbout::RefreshLines() {
  ftitlelabel.caption = ftitle;
  fversionlabel.caption = "Version " + fversion + frevision + " for " + fosversions;
  fcopyrightlabel.caption = fcopyright;
  fextralabel.caption = fextra;

  int bottom = ftitlelabel.top + ftitlelabel.height;
  Place(fversionlabel, kLinesLeft, bottom + 2, kLineWidth, kLineHeight);
  bottom = fversionlabel.top + fversionlabel.height;

  fdravellabel.visible = fshowadravel;
  Place(fdravellabel, kLinesLeft, bottom + 2, kLineWidth, kLineHeight);
  if (fdravellabel.visible) {
    bottom = fdravellabel.top + fdravellabel.height;
  }
  Place(fcopyrightlabel, kLinesLeft, bottom + 4, kLineWidth, kLineHeight);
  bottom = fcopyrightlabel.top + fcopyrightlabel.height;

  fcompiledatelabel.visible = fshowcompiledate;
  fcompiledatelabel.left = kLinesLeft;
  fcompiledatelabel.top = bottom + 2;
  if (fcompiledatelabel.width == 0) {
    fcompiledatelabel.width = ftitlelabel.width;
  }
  fcompiledatelabel.height = TextHeight(fcompiledatelabel);
  if (fcompiledatelabel.visible) {
    bottom = fcompiledatelabel.top + fcompiledatelabel.height;
  }

  fextralabel.visible = !fextra.empty();
  fextralabel.left = kLinesLeft;
  fextralabel.top = bottom + 2;
  fextralabel.width = kLineWidth;
  fextralabel.height = TextHeight(fextralabel);
  if (fextralabel.visible) {
    bottom = fextralabel.top + fextralabel.height;
  }

  // With few lines the button still ends level with the panel, which the picture fills.
  const int buttonTop = std::max(bottom + 5, 10 + kPanelHeight - kButtonHeight);
  Place(fokbutton, 254, buttonTop, 75, kButtonHeight);
  Place(fform, 0, 0, kClientWidth, buttonTop + kButtonHeight + 10);
  Place(fpanel, 10, (fform.height - kPanelHeight) / 2, 163, kPanelHeight);
}

TDravelAbout::TDravelAbout(AboutDialogView* view) : TAbout(view) {
  SetCopyright("Copyright (c) 1996-2010 QuorvikData");
  SetKitLineCaption("A Dravel application");
}

void TDravelAbout::Loaded() {
  TAbout::Loaded();
  RefreshLines();
  LoadKitPicture();
}

}  // namespace vorsel
