#include "frontend/output_name.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "tests/frontend/batch_fixture.h"

namespace vorsel {
namespace {

class OutputName : public ::testing::Test {
 protected:
  std::string Name(const std::string& input, const std::string& ext) {
    return MakeOutputName(input, ext, settings, dialog);
  }
  void Naming(int32_t mode, std::string append = "c", bool limit = false) {
    settings.Common.Naming = mode;
    settings.Common.AppendString = std::move(append);
    settings.Common.LimitTo8Plus3 = limit;
  }

  ConversionSettings settings;
  test::ScriptedSaveDialog dialog;
};

TEST_F(OutputName, SameNameReplacesOnlyTheLastExtension) {
  Naming(0);
  EXPECT_EQ(Name("/snd/a.b.wav", ".smp"), "/snd/a.b.smp");
  EXPECT_EQ(Name("/snd/noext", ".smp"), "/snd/noext.smp");
  EXPECT_EQ(Name("/snd.d/noext", ".smp"), "/snd.d/noext.smp");
  EXPECT_EQ(Name("/snd/a.raw", ""), "/snd/a");
  // The 8+3 limit never applies to this mode.
  Naming(0, "c", true);
  EXPECT_EQ(Name("/snd/longfilename.wav", ".smp"), "/snd/longfilename.smp");
}

TEST_F(OutputName, StartWithKeepsOnlyThePartBeforeTheFirstDot) {
  Naming(1);
  EXPECT_EQ(Name("/snd/a.b.wav", ".smp"), "/snd/ca.smp");
  Naming(1, "c", true);
  EXPECT_EQ(Name("/snd/longfilename.wav", ".smp"), "/snd/clongfil.smp");
  Naming(1, "");
  EXPECT_EQ(Name("/snd/a.b.wav", ".smp"), "/snd/a.smp");
}

TEST_F(OutputName, EndWithCutsTheBaseToLeaveRoomForTheAppendString) {
  Naming(2);
  EXPECT_EQ(Name("/snd/a.b.wav", ".smp"), "/snd/ac.smp");
  EXPECT_EQ(Name("/snd/longfilename.smp", ".wav"), "/snd/longfilenamec.wav");
  Naming(2, "c", true);
  EXPECT_EQ(Name("/snd/longfilename.smp", ".wav"), "/snd/longfilc.wav");
  Naming(2, "12345678", true);
  EXPECT_EQ(Name("/snd/longfilename.smp", ".wav"), "/snd/12345678.wav");
  Naming(2, "123456789", true);
  EXPECT_EQ(Name("/snd/longfilename.smp", ".wav"), "/snd/longfilename123456789.wav");
  // The extension is never shortened.
  Naming(2, "c", true);
  EXPECT_EQ(Name("/snd/longfilename.smp", ".aiff-long"), "/snd/longfilc.aiff-long");
}

TEST_F(OutputName, TheLimitCountsCharactersNotBytes) {
  Naming(2, "ü", true);
  EXPECT_EQ(Name("/snd/äöäöäöäöäö.smp", ".wav"), "/snd/äöäöäöäü.wav");
  Naming(1, "é", true);
  EXPECT_EQ(Name("/snd/ßßßßßßßßßß.smp", ".wav"), "/snd/éßßßßßßß.wav");
}

TEST_F(OutputName, AskPreparesTheSaveDialogAndReturnsTheChoice) {
  Naming(3);
  dialog.answers = {"/elsewhere/chosen.wav", std::nullopt};
  EXPECT_EQ(Name("/snd/a.b.smp", ".wav"), "/elsewhere/chosen.wav");
  ASSERT_EQ(dialog.requests.size(), 1u);
  const SaveDialogRequest& request = dialog.requests[0];
  EXPECT_EQ(request.Filter, ".wav files (*.wav)|*.wav|All files (*.*)|*.*");
  EXPECT_EQ(request.DefaultExt, ".wav");
  EXPECT_EQ(request.FileName, "/snd/a.b.wav");
  EXPECT_TRUE(request.OverwritePrompt);
  EXPECT_TRUE(request.HideReadOnly);
  EXPECT_TRUE(request.PathMustExist);
  EXPECT_TRUE(request.EnableSizing);
  // Cancel gives the empty name.
  EXPECT_EQ(Name("/snd/a.smp", ".wav"), "");
}

TEST_F(OutputName, UnknownModesAreRefusedBeforeAnyNameIsMade) {
  Naming(4);
  EXPECT_THROW(Name("/snd/a.wav", ".smp"), std::invalid_argument);
  EXPECT_EQ(OutputNamingProblem(settings, ".smp"),
            "Unknown naming mode 4 (Common.Naming must be 0 to 3); nothing converted");
  Naming(-1);
  EXPECT_TRUE(OutputNamingProblem(settings, ".smp").has_value());
  for (int32_t mode = 0; mode <= 3; ++mode) {
    Naming(mode);
    EXPECT_FALSE(OutputNamingProblem(settings, ".smp").has_value()) << mode;
  }
}

TEST_F(OutputName, NamePartsThatWouldLeaveTheFolderAreRefused) {
  Naming(2, "/../x");
  EXPECT_EQ(OutputNamingProblem(settings, ".smp"),
            "The append string \"/../x\" must not contain \"/\"; nothing converted");
  // The append string does not matter where it is not used.
  Naming(0, "/../x");
  EXPECT_FALSE(OutputNamingProblem(settings, ".smp").has_value());
  EXPECT_EQ(OutputNamingProblem(settings, ".raw/../../x"),
            "The extension \".raw/../../x\" must not contain \"/\"; nothing converted");
}

}  // namespace
}  // namespace vorsel
