#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorsel {

class TAbout;

// One element of the about dialog: its text (or picture), hint, visibility and place in
// client pixels. The dialog's toolkit side draws the elements as they stand.
struct tAboutElement {
  std::string caption;
  std::string picture;  // resource name of an image element
  std::string hint;
  bool showhint = false;
  bool visible = true;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool wordwrap = false;
  bool centred = false;
};

// The toolkit side of the about dialog. It creates one control per element of the TAbout,
// named as the element (`titlelabel`, `versionlabel`, `okbutton`, ...), shows the dialog
// modally and forwards double clicks on the program icon and on the kit picture to the TAbout,
// drawing the elements anew after each.
class AboutDialogView {
 public:
  virtual ~AboutDialogView() = default;
  // Height in pixels of the text in the dialog's font ("MS Sans Serif" 8 points), broken into
  // lines at the width.
  virtual int WrappedTextHeight(std::string_view text, int width) = 0;
  // Returns when the dialog is closed.
  virtual void ShowModal(TAbout& about) = 0;
};

// The program's about box: title, version line, an optional kit line, copyright, build date,
// an optional extra line, the program icon and the kit picture, laid out in code. Every
// setter updates its line (and the layout below it) at once.
class TAbout {
 public:
  // The resource names of the two images; the toolkit side maps them to its image files.
  static constexpr std::string_view kProgramIcon = "MAINICON";
  static constexpr std::string_view kKitPicture = "DRAVELBMP";
  // The kit's build date as a day number (days since 30 December 1899): 8 October 2010.
  static constexpr int32_t kBuildDay = 40459;

  explicit TAbout(AboutDialogView* view = nullptr);
  virtual ~TAbout() = default;
  TAbout(const TAbout&) = delete;
  TAbout& operator=(const TAbout&) = delete;

  const std::string& Title() const { return ftitle; }
  void SetTitle(std::string value);
  const std::string& Version() const { return fversion; }
  void SetVersion(std::string value);
  // Version read with "." as decimal separator; 0 when it is not a number.
  double VersionNumber() const;
  const std::string& Copyright() const { return fcopyright; }
  void SetCopyright(std::string value);
  const std::string& Extra() const { return fextra; }
  void SetExtra(std::string value);
  bool ShowADravel() const { return fshowadravel; }
  void SetShowADravel(bool value);
  bool ShowCompileDate() const { return fshowcompiledate; }
  void SetShowCompileDate(bool value);
  const std::function<void()>& OnEggClick() const { return foneggclick; }
  void SetOnEggClick(std::function<void()> value) { foneggclick = std::move(value); }
  const std::string& Revision() const { return frevision; }
  void SetRevision(std::string value);
  bool BMP256() const { return fbmp256; }
  void SetBMP256(bool value) { fbmp256 = value; }
  const std::string& OSVersions() const { return fosversions; }
  void SetOSVersions(std::string value);

  // The error log's toggle, called on a double click of the kit picture.
  void SetOnActivateErrLog(std::function<void()> value) { fonactivateerrlog = std::move(value); }

  // (a mod 256) * 256 + (b mod 256) for a version "a.b"; the integer for a version without
  // "."; 0 otherwise.
  int16_t intversion() const;

  virtual void Loaded();
  void showmodal();

  // Called by the dialog's toolkit side.
  void ProgramIconDoubleClicked();
  void KitPictureDoubleClicked();

  tAboutElement& form() { return fform; }
  tAboutElement& panel() { return fpanel; }
  tAboutElement& okbutton() { return fokbutton; }
  tAboutElement& titlelabel() { return ftitlelabel; }
  tAboutElement& dravellabel() { return fdravellabel; }
  tAboutElement& compiledatelabel() { return fcompiledatelabel; }
  tAboutElement& versionlabel() { return fversionlabel; }
  tAboutElement& copyrightlabel() { return fcopyrightlabel; }
  tAboutElement& extralabel() { return fextralabel; }
  tAboutElement& dravelimage() { return fdravelimage; }
  tAboutElement& progicon() { return fprogicon; }

 protected:
  // Places every line below the title and sizes the window to them.
  void RefreshLines();
  void SetKitLineCaption(std::string caption);
  void LoadKitPicture();

 private:
  int TextHeight(const tAboutElement& element) const;

  AboutDialogView* fview;
  tAboutElement fform;
  tAboutElement fpanel;
  tAboutElement fokbutton;
  tAboutElement ftitlelabel;
  tAboutElement fdravellabel;
  tAboutElement fcompiledatelabel;
  tAboutElement fversionlabel;
  tAboutElement fcopyrightlabel;
  tAboutElement fextralabel;
  tAboutElement fdravelimage;
  tAboutElement fprogicon;
  std::string ftitle = "AppName";
  std::string fversion = "auto";
  std::string fcopyright;
  std::string fextra;
  std::string frevision;
  bool fshowadravel = false;
  bool fshowcompiledate = true;
  std::function<void()> foneggclick;
  std::function<void()> fonactivateerrlog;
  bool fbmp256 = true;
  std::string fosversions = "Win95/98/NT";
};

// The kit's about box: its copyright line, the kit line "A Dravel application" and the kit
// picture.
class TDravelAbout : public TAbout {
 public:
  explicit TDravelAbout(AboutDialogView* view = nullptr);
  void Loaded() override;
};

// "Compiled " and the kit's build date in the user's short date format.
std::string CompileDateText();

}  // namespace vorsel
