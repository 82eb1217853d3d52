#include "platform/desktop_text.h"

#include <gtest/gtest.h>

namespace vorsel {
namespace {

TEST(DesktopExec, PlainProgramsStayPlainOthersAreQuotedAndEscaped) {
  EXPECT_EQ(DesktopExecValue("/opt/suite/vorsel"), "/opt/suite/vorsel %f");
  EXPECT_EQ(DesktopExecValue("/opt/my suite/v$1%"), "\"/opt/my suite/v\\\\$1%%\" %f");
}

TEST(DesktopExec, TheProgramComesBackFromWhatWasWritten) {
  for (const char* program : {"/opt/suite/vorsel", "/opt/my suite/vorsel", "/a\"b/`c`/$d/e\\f",
                              "/100% sure/vorsel", "/tab\there"}) {
    EXPECT_EQ(DesktopExecProgram(DesktopExecValue(program)), program) << program;
  }
  EXPECT_EQ(DesktopExecProgram("vorsel %f"), "vorsel");
  EXPECT_EQ(DesktopExecProgram("\"/never closed %f"), "");
}

TEST(DefaultApplication, AddsTheGroupWhereItIsMissingAndKeepsOneLinePerType) {
  EXPECT_EQ(WithDefaultApplication("", "a/b", "v.desktop"),
            "[Default Applications]\na/b=v.desktop;\n");
  EXPECT_EQ(WithDefaultApplication("[Added Associations]\nx/y=z.desktop;", "a/b", "v.desktop"),
            "[Added Associations]\nx/y=z.desktop;\n[Default Applications]\na/b=v.desktop;\n");
  EXPECT_EQ(WithDefaultApplication("[Default Applications]\na/b=1;\nc/d=2;\na/b=3;\n\n[Other]\n"
                                   "a/b=4;\n",
                                   "a/b", "v.desktop"),
            "[Default Applications]\na/b=v.desktop;\nc/d=2;\n\n[Other]\na/b=4;\n");
  EXPECT_EQ(WithDefaultApplication("[Default Applications]\nc/d=2;\n\n[Other]\n", "a/b", "v"),
            "[Default Applications]\nc/d=2;\na/b=v;\n\n[Other]\n");
}

TEST(XmlEscaped, EscapesMarkup) {
  EXPECT_EQ(XmlEscaped("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
}

}  // namespace
}  // namespace vorsel
