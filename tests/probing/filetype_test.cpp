#include "probing/filetype.h"
#include "formats/format_list.h"
#include "frontend/format_probes.h"

#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using namespace std::string_view_literals;

class FileTypeTest : public ::testing::Test {
 protected:
  int32_t TypeOfContent(std::string_view bytes, std::string_view name = "probe.dat") {
    const std::string path = dir / name;
    test::WriteFile(path, bytes);
    return FileTypeOf(path, settings);
  }

  test::TempDir dir;
  ProbeSettings settings{.formats = ForeignFormatProbes()};
};

TEST_F(FileTypeTest, HeaderTagsDecideTheContainer) {
  EXPECT_EQ(TypeOfContent("RIF"), ftRAW);
  EXPECT_EQ(TypeOfContent(""), ftRAW);
  EXPECT_EQ(TypeOfContent("RIFF"), ftWAV);
  EXPECT_EQ(TypeOfContent(std::string("RIFF\0\0\0\0garbage", 15)), ftWAV);
  EXPECT_EQ(TypeOfContent(".snd\0\0\0\x18"sv), ftAU);
  EXPECT_EQ(TypeOfContent(std::string("FORM\0\0\0\x10"
                                      "AIFF",
                                      12)),
            ftAIFF);
  EXPECT_EQ(TypeOfContent(std::string("FORM\0\0\0\x10"
                                      "AIFC",
                                      12)),
            ftAIFC);
  EXPECT_EQ(TypeOfContent(std::string("FORM\0\0\0\x10"
                                      "8SVX",
                                      12)),
            ftRAW);
  EXPECT_EQ(TypeOfContent("FORMDS16AIFF"), ftNSP);
  EXPECT_EQ(TypeOfContent("FORMDS16"), ftNSP);
  // Too short for a form type: neither AIFF nor AIFC.
  EXPECT_EQ(TypeOfContent(std::string("FORM\0\0\0\x10"
                                      "AI",
                                      10)),
            ftRAW);
  EXPECT_EQ(TypeOfContent("riff"), ftRAW);
}

TEST_F(FileTypeTest, SMPHeadNeedsNameValueLinesClosedByEquals) {
  const std::string head = "file=samp\r\nsftot=16000\r\n";
  EXPECT_EQ(TypeOfContent(head + "=\r\n" + std::string("\0\x04\x1a", 3)), ftSMP);
  EXPECT_EQ(TypeOfContent(head + std::string("\0\x04\x1a", 3)), ftRAW);
  EXPECT_EQ(TypeOfContent("file=samp\r\nno equals here\r\nsftot=1\r\n=\r\n"), ftRAW);
  // Blanks and the bytes 4 and 26 vanish inside lines; LF alone also ends a line.
  EXPECT_EQ(TypeOfContent("fi le = samp\nsf\x04tot=1\n \x1a= \n\x01\x02"), ftSMP);
  // Samples of any value may follow the closing line.
  EXPECT_EQ(TypeOfContent("head=512\n=\n\xff\xfe\x00\x01"sv), ftSMP);
  // The buffer ends before the closing line.
  EXPECT_EQ(TypeOfContent("file=samp\r\nsftot=16000"), ftRAW);
  // A byte 0 before the closing line.
  EXPECT_EQ(TypeOfContent(std::string("file=samp\0=\n", 12)), ftRAW);
  // A closing line that is the very last byte of the file.
  EXPECT_EQ(TypeOfContent("file=samp\n="), ftSMP);
}

TEST_F(FileTypeTest, SMPHeadLinesLongerThan255CharactersAreRefused) {
  const std::string longValue(300, 'x');
  EXPECT_EQ(TypeOfContent("comment=" + longValue + "\n=\n"), ftRAW);
  // A line must stay below 255 characters.
  EXPECT_EQ(TypeOfContent("comment=" + std::string(246, 'x') + "\n=\n"), ftSMP);
  EXPECT_EQ(TypeOfContent("comment=" + std::string(247, 'x') + "\n=\n"), ftRAW);
}

TEST_F(FileTypeTest, NumberTextIsTxtOnlyWithADigitAndAllowedCharacters) {
  EXPECT_EQ(TypeOfContent("0.5\r\n-0.25\r\n"), ftTXT);
  EXPECT_EQ(TypeOfContent("1e-3\t+2,5E2\n"), ftTXT);
  EXPECT_EQ(TypeOfContent("1,5;2"), ftRAW);
  EXPECT_EQ(TypeOfContent("   \r\n\r\n  \n"), ftRAW);
  EXPECT_EQ(TypeOfContent("left right\n1 2\n"), ftRAW);
}

TEST_F(FileTypeTest, StrippedTitleLinesAreNotTested) {
  settings.StripLines = 1;
  EXPECT_EQ(TypeOfContent("left\tright\r\n0.5\t0.25\r\n1\t2\r\n"), ftTXT);
  // Files written with LF or a lone CR strip the same way.
  EXPECT_EQ(TypeOfContent("left\tright\n0.5\t0.25\n"), ftTXT);
  EXPECT_EQ(TypeOfContent("left\tright\r0.5\t0.25\r"), ftTXT);
  // Only one line is stripped.
  EXPECT_EQ(TypeOfContent("title\nunit\n1\n"), ftRAW);
  // Nothing left after the stripped lines: no digit.
  EXPECT_EQ(TypeOfContent("title 1\n"), ftRAW);
  settings.StripLines = 2;
  EXPECT_EQ(TypeOfContent("title\nunit\n1\n"), ftTXT);
}

TEST_F(FileTypeTest, DetectionLooksOnlyAtTheFirst16KiB) {
  std::string text;
  while (text.size() < kFileTypeProbeBytes) {
    text += "0.125\n";
  }
  text.resize(kFileTypeProbeBytes);
  EXPECT_EQ(TypeOfContent(text + "letters beyond the probe"), ftTXT);
}

TEST_F(FileTypeTest, ExtensionDecidesWithoutOpeningTheFile) {
  settings.UseExtensionAsId = true;
  EXPECT_EQ(FileTypeOf(dir / "noise.AIF", settings), ftAIFF);  // does not exist
  EXPECT_EQ(FileTypeOf(dir / "x.wav.smp", settings), ftSMP);
  EXPECT_EQ(FileTypeOf(dir / "noext", settings), ftRAW);
  EXPECT_EQ(TypeOfContent("RIFF", "sound.raw"), ftRAW);
  EXPECT_EQ(TypeOfContent("0.5\n", "data.TXT"), ftTXT);
}

TEST(FileTypeOfExtension, MapsEveryListedExtension) {
  EXPECT_EQ(FileTypeOfExtension("/a/b.smp", ForeignFormatProbes()), ftSMP);
  EXPECT_EQ(FileTypeOfExtension("/a/b.Wav", ForeignFormatProbes()), ftWAV);
  EXPECT_EQ(FileTypeOfExtension("/a/b.au", ForeignFormatProbes()), ftAU);
  EXPECT_EQ(FileTypeOfExtension("/a/b.aiff", ForeignFormatProbes()), ftAIFF);
  EXPECT_EQ(FileTypeOfExtension("/a/b.aif", ForeignFormatProbes()), ftAIFF);
  EXPECT_EQ(FileTypeOfExtension("/a/b.AIFC", ForeignFormatProbes()), ftAIFC);
  EXPECT_EQ(FileTypeOfExtension("/a/b.afc", ForeignFormatProbes()), ftAIFC);
  EXPECT_EQ(FileTypeOfExtension("/a/b.nsp", ForeignFormatProbes()), ftNSP);
  EXPECT_EQ(FileTypeOfExtension("/a/b.txt", ForeignFormatProbes()), ftTXT);
  EXPECT_EQ(FileTypeOfExtension("/a/b.snd", ForeignFormatProbes()), ftRAW);
  EXPECT_EQ(FileTypeOfExtension("/a/b.", ForeignFormatProbes()), ftRAW);
  // A dot in a folder name is not an extension.
  EXPECT_EQ(FileTypeOfExtension("/snd.wav/noise", ForeignFormatProbes()), ftRAW);
}

TEST_F(FileTypeTest, NamesFollowTheCodes) {
  EXPECT_EQ(FileTypeCodeName(ftAIFC, ForeignFormatProbes()), "AIFF-C");
  EXPECT_EQ(FileTypeCodeName(ftTXT, ForeignFormatProbes()), "TXT");
  EXPECT_EQ(FileTypeCodeName(8, ForeignFormatProbes()), "");
  EXPECT_EQ(FileTypeCodeName(-1, ForeignFormatProbes()), "");
  const std::string path = dir / "a.bin";
  test::WriteFile(path, std::string("FORM\0\0\0\x10"
                                    "AIFC",
                                    12));
  EXPECT_EQ(FileTypeName(path, settings), "AIFF-C");
}

TEST_F(FileTypeTest, UnreadableFilesRaiseAnInputOutputError) {
  EXPECT_THROW(FileTypeOf(dir / "missing.wav", settings), std::system_error);
  EXPECT_THROW(FileTypeOf(dir.path().string(), settings), std::system_error);
}

}  // namespace
}  // namespace vorsel
