// The head bytes on disk: building, parsing, code page 850 and the bounds of the head buffer.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "smp/sSMP.h"
#include "tests/support/smp_files.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

using test::HeadBytes;

std::string BufferText(TSMPfile& smp) {
  const int32_t last = smp.UsedSize();
  const auto buffer = smp.HeadArrPtr();
  return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(last) + 1);
}

// A byte string from a literal that may hold zero bytes.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

void LoadBuffer(TSMPfile& smp, std::string_view bytes) {
  const auto buffer = smp.HeadArrPtr();
  std::fill(buffer.begin(), buffer.end(), uint8_t{0});
  std::copy(bytes.begin(), bytes.end(), buffer.begin());
  smp.UseHeadArrAsHeader();
}

TEST(HeadBytes, EmptyListBuildsTheSixByteHead) {
  TSMPfile smp;
  EXPECT_EQ(smp.UsedSize(), 5);
  const auto buffer = smp.HeadArrPtr();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), 6),
            std::string("=\r\n\x00\x04\x1A", 6));
  EXPECT_TRUE(std::all_of(buffer.begin() + 6, buffer.end(), [](uint8_t b) { return b == 0; }));
}

TEST(HeadBytes, ItemsSeparatorAndCommentInListOrder) {
  TSMPfile smp;
  smp.set_item("sftot", "8000");
  smp.set_item("nchans", "2");
  smp.SetComment({"first comment", "second=line"});
  EXPECT_EQ(BufferText(smp), Bytes("sftot=8000\r\nnchans=2\r\n=\r\nfirst comment\r\n"
                                   "second=line\r\n\x00\x04\x1A"));
}

TEST(HeadBytes, ItemAndCommentLinesAreStoredInCodePage850) {
  TSMPfile smp;
  smp.set_item("text", "Grüße µ");
  smp.SetComment({"Ä"});
  EXPECT_EQ(BufferText(smp), Bytes("text=Gr\x81\xE1"
                                   "e \xE6\r\n=\r\n\x8E\r\n\x00\x04\x1A"));

  TSMPfile parsed;
  LoadBuffer(parsed, BufferText(smp));
  EXPECT_EQ(parsed.get_item("text"), "Grüße µ");
  EXPECT_EQ(parsed.Comment(), std::vector<std::string>{"Ä"});
}

TEST(HeadParse, LineEndsTerminatorsAndSkippedBytes) {
  TSMPfile smp;
  LoadBuffer(smp, Bytes("a=1\nb\x04=2\r\n\r\n\nc=3\x1A"
                        "d=4\r\n"));
  EXPECT_EQ(smp.Items(), (std::vector<std::string>{"a=1", "b=2", "c=3"}));

  TSMPfile nul;
  LoadBuffer(nul, Bytes("a=1\r\nb=2\x00"
                        "c=3\r\n"));
  EXPECT_EQ(nul.Items(), (std::vector<std::string>{"a=1", "b=2"}));
}

TEST(HeadParse, CommentSectionAfterTheSeparator) {
  TSMPfile smp;
  LoadBuffer(smp, HeadBytes({"sftot=8000"}, 64, {"made by hand", "x=y"}));
  EXPECT_EQ(smp.Items(), std::vector<std::string>{"sftot=8000"});
  EXPECT_EQ(smp.Comment(), (std::vector<std::string>{"made by hand", "x=y"}));
}

TEST(HeadParse, LaterLineReplacesTheEarlierInPlace) {
  TSMPfile smp;
  LoadBuffer(smp, HeadBytes({"file=samp", "sftot=8000", "nchans=1", "sftot=11025"}, 128));
  EXPECT_EQ(smp.Items(), (std::vector<std::string>{"file=samp", "sftot=11025", "nchans=1"}));
}

TEST(HeadParse, LineWithoutEqualsRemovesTheItem) {
  TSMPfile smp;
  LoadBuffer(smp, HeadBytes({"nchans=2", "nchans"}, 64));
  EXPECT_EQ(smp.get_item("nchans"), "");
  EXPECT_EQ(smp.nChans(), 1);
}

TEST(HeadParse, ValuesAreCutTo255Characters) {
  // 300 two-byte characters: the cut counts characters, never splitting one.
  std::string value;
  for (int i = 0; i < 300; ++i) {
    value += "ä";
  }
  TSMPfile source;
  source.set_item("long", value);
  TSMPfile parsed;
  LoadBuffer(parsed, BufferText(source));
  std::string expected;
  for (int i = 0; i < 255; ++i) {
    expected += "ä";
  }
  EXPECT_EQ(parsed.Items(), std::vector<std::string>{"long=" + expected});
}

TEST(HeadParse, SetsOnTopOfTheExistingItemsAndFixesTheDataOffset) {
  TSMPfile smp;
  smp.set_item("keep", "1");
  smp.set_item("sftot", "8000");
  LoadBuffer(smp, HeadBytes({"sftot=22050", "head=2048"}, 64));
  EXPECT_EQ(smp.Items(), (std::vector<std::string>{"head=2048", "keep=1", "sftot=22050"}));
  EXPECT_EQ(smp.HeadSize(), 2048);
}

TEST(HeadBuffer, HeadThatDoesNotFitNeverWritesPastTheBuffer) {
  TSMPfile smp;
  smp.set_item("big", std::string(20000, 'x'));
  smp.set_item("bigger", std::string(20000, 'y'));
  smp.set_item("small", "1");
  const int32_t last = smp.UsedSize();
  EXPECT_FALSE(smp.HeadFits());
  // Only whole lines go in, up to the first that finds no room; the terminator follows the
  // first item ("big=" and 20000 characters and CR LF end before index 20006).
  EXPECT_EQ(last, 20008);
  const auto buffer = smp.HeadArrPtr();
  EXPECT_EQ(buffer[static_cast<size_t>(last)], 0x1A);

  smp.set_item("bigger", "");
  smp.UsedSize();
  EXPECT_TRUE(smp.HeadFits());
}

TEST(HeadBuffer, HeadThatFillsTheBufferExactlyFits) {
  TSMPfile smp;
  // "x=" + value + CR LF + "=" CR LF + 3 terminator bytes = 32768.
  smp.set_item("x", std::string(32768 - 2 - 2 - 3 - 3, 'v'));
  EXPECT_EQ(smp.UsedSize(), 32767);
  EXPECT_TRUE(smp.HeadFits());
  smp.set_item("x", std::string(32768 - 2 - 2 - 3 - 3 + 1, 'v'));
  smp.UsedSize();
  EXPECT_FALSE(smp.HeadFits());
}

TEST(HeadBuffer, SaveRefusesAHeadThatDoesNotFitAndLeavesTheFile) {
  test::TempDir dir;
  const std::string path = dir / "big.smp";
  TSMPfile smp;
  ASSERT_TRUE(smp.new_file(path));
  smp.insert_nonpresent_defaults();
  ASSERT_TRUE(smp.save_file(""));
  const std::string before = test::ReadFile(path);
  smp.SetComment({std::string(40000, 'c')});
  EXPECT_FALSE(smp.save_file(""));
  smp.close_file();
  EXPECT_EQ(test::ReadFile(path), before);
}

}  // namespace
}  // namespace vorsel
