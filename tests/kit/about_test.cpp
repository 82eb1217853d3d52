#include "kit/about.h"

#include <string>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

// Measures one 13-pixel line per 40 characters and records the dialogs shown.
class FakeAboutView : public AboutDialogView {
 public:
  int WrappedTextHeight(std::string_view text, int) override {
    return 13 * static_cast<int>(1 + text.size() / 40);
  }
  void ShowModal(TAbout& about) override {
    ++shown;
    versionShown = about.versionlabel().caption;
    if (doubleClickPicture) {
      about.KitPictureDoubleClicked();
    }
    if (doubleClickIcon) {
      about.ProgramIconDoubleClicked();
    }
  }
  int shown = 0;
  std::string versionShown;
  bool doubleClickPicture = false;
  bool doubleClickIcon = false;
};

TEST(TAbout, AComponentLeftAtAutoShowsVersion30) {
  TAbout about;
  EXPECT_EQ(about.Title(), "AppName");
  EXPECT_EQ(about.versionlabel().caption, "Version auto for Win95/98/NT");
  about.SetRevision("auto");
  about.Loaded();
  EXPECT_EQ(about.Version(), "3.0");
  EXPECT_EQ(about.Revision(), "");
  EXPECT_EQ(about.versionlabel().caption, "Version 3.0 for Win95/98/NT");
  EXPECT_DOUBLE_EQ(about.VersionNumber(), 3.0);
}

TEST(TAbout, TheWindowsSettingsGiveTheirVersionLine) {
  TDravelAbout about;
  about.SetTitle("Vorsel");
  about.SetVersion("4.5");
  about.SetShowADravel(true);
  about.SetOSVersions("Linux");
  about.Loaded();
  EXPECT_EQ(about.titlelabel().caption, "Vorsel");
  EXPECT_EQ(about.versionlabel().caption, "Version 4.5 for Linux");
  about.SetRevision("b");
  EXPECT_EQ(about.versionlabel().caption, "Version 4.5b for Linux");
  EXPECT_TRUE(about.dravellabel().visible);
  EXPECT_EQ(about.dravellabel().caption, "A Dravel application");
  EXPECT_EQ(about.dravelimage().picture, TAbout::kKitPicture);
  EXPECT_EQ(about.dravelimage().width, 155);
  EXPECT_EQ(about.dravelimage().height, 226);
  EXPECT_EQ(about.compiledatelabel().caption.rfind("Compiled ", 0), 0u);
}

TEST(TAbout, TheExtraLineIsShownOnlyWithText) {
  FakeAboutView view;
  TAbout about(&view);
  about.SetShowADravel(true);
  EXPECT_FALSE(about.extralabel().visible);
  const int buttonWithout = about.okbutton().top;

  about.SetExtra(std::string(100, 'x'));  // three measured lines
  EXPECT_TRUE(about.extralabel().visible);
  EXPECT_EQ(about.extralabel().top,
            about.compiledatelabel().top + about.compiledatelabel().height + 2);
  EXPECT_EQ(about.extralabel().height, 39);
  EXPECT_EQ(about.okbutton().top, std::max(buttonWithout, about.extralabel().top + 39 + 5));
  EXPECT_EQ(about.form().height, about.okbutton().top + 25 + 10);
  EXPECT_EQ(about.panel().top, (about.form().height - 234) / 2);

  about.SetExtra("");
  EXPECT_FALSE(about.extralabel().visible);
  EXPECT_EQ(about.okbutton().top, buttonWithout);
}

TEST(TAbout, LinesFollowEachOtherAndSkipHiddenOnes) {
  TAbout about;
  about.SetShowADravel(true);
  EXPECT_EQ(about.versionlabel().top, 16 + 23 + 2);
  EXPECT_EQ(about.dravellabel().top, about.versionlabel().top + 13 + 2);
  EXPECT_EQ(about.copyrightlabel().top, about.dravellabel().top + 13 + 4);
  about.SetShowADravel(false);
  EXPECT_EQ(about.copyrightlabel().top, about.versionlabel().top + 13 + 4);
  about.SetShowCompileDate(false);
  EXPECT_FALSE(about.compiledatelabel().visible);
}

TEST(TAbout, IntversionPacksMajorAndMinor) {
  TAbout about;
  const auto packed = [&](const char* version) {
    about.SetVersion(version);
    return about.intversion();
  };
  EXPECT_EQ(packed("4.50"), 1074);
  EXPECT_EQ(packed("4.5"), 0x405);
  EXPECT_EQ(packed("7"), 7);
  EXPECT_EQ(packed("257.258"), 0x0102);
  EXPECT_EQ(packed("4.x"), 0);
  EXPECT_EQ(packed("auto"), 0);
  EXPECT_EQ(packed(""), 0);
  EXPECT_DOUBLE_EQ(about.VersionNumber(), 0.0);
}

TEST(TAbout, DoubleClicksReachTheirHandlers) {
  FakeAboutView view;
  TAbout about(&view);
  int eggs = 0;
  int toggles = 0;
  about.SetOnEggClick([&] { ++eggs; });
  view.doubleClickIcon = true;
  view.doubleClickPicture = true;
  about.showmodal();  // no toggle registered yet
  about.SetOnActivateErrLog([&] { ++toggles; });
  about.showmodal();
  EXPECT_EQ(view.shown, 2);
  EXPECT_EQ(eggs, 2);
  EXPECT_EQ(toggles, 1);
}

}  // namespace
}  // namespace vorsel
