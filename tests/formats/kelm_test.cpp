#include "formats/kelm.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fileio/byteio.h"
#include "smp/sSMP.h"
#include "tests/support/temp_dir.h"

namespace vorsel {
namespace {

std::string Le32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// Head text as an SMP file stores it: lines with CR LF, "=", comments, terminator, zero fill.
std::string Head(const std::vector<std::string>& items, const std::vector<std::string>& comment,
                 size_t size) {
  std::string head;
  for (const auto& line : items) {
    head += line + "\r\n";
  }
  head += "=\r\n";
  for (const auto& line : comment) {
    head += line + "\r\n";
  }
  head += std::string("\x00\x04\x1A", 3);
  head.resize(std::max(head.size(), size), '\0');
  return head;
}

class EmbeddedHeaderTest : public ::testing::Test {
 protected:
  // An SMP file on disk with the given head and two samples, opened read-only in `source`.
  void OpenSource(const std::string& head) {
    sourcePath = dir / "source.smp";
    test::WriteFile(sourcePath, head + std::string("\x01\x00\x02\x00", 4));
    ASSERT_TRUE(source.open_file(sourcePath, true));
  }

  std::string Written(HeadContainer container) {
    const std::string path = dir / "out";
    ByteWriter writer(path);
    WriteEmbeddedHeader(source, writer, container);
    writer.Close();
    return test::ReadFile(path);
  }

  // Walks little-endian chunks of `bytes` as the WAV and NSP importers do, restoring heads
  // into `target`; returns the identifiers met.
  std::vector<std::string> Walk(const std::string& bytes, int* restored = nullptr) {
    const std::string path = dir / "walk";
    test::WriteFile(path, bytes);
    ByteReader reader(path);
    std::vector<std::string> ids;
    while (const auto header = ReadChunkHeader(reader, ByteOrder::LittleEndian)) {
      ids.emplace_back(header->id.view());
      ChunkBody body(reader, header->size, true);
      if (header->id == kEmbeddedHeadId && ReadEmbeddedHeader(target, body) && restored) {
        ++*restored;
      }
      body.Finish();
    }
    return ids;
  }

  void NewTarget() { ASSERT_TRUE(target.new_file(dir / "target.smp")); }

  const std::vector<std::string> kItems = {
      "head=1024",        "file=samp",    "sftot=22050",        "nchans=2",
      "msb=first",        "view=-1,1,Pa", "range=-32768,32768", "proc0=Vorsel from a.wav",
      "note=\x8E\x99\x81"};
  const std::vector<std::string> kComment = {"first comment", "labels=in a comment"};

  test::TempDir dir;
  std::string sourcePath;
  TSMPfile source;
  TSMPfile target;
};

TEST_F(EmbeddedHeaderTest, KelmChunkIsKelmLittleEndianSizeAndTheHead) {
  OpenSource(Head(kItems, kComment, 1024));
  const std::string head = test::ReadFile(sourcePath).substr(0, 1024);
  EXPECT_EQ(Written(HeadContainer::KelmChunk), "kelm" + std::string("\x00\x04\x00\x00", 4) + head);
  EXPECT_EQ(EmbeddedHeaderChunkBytes(source, HeadContainer::KelmChunk), 1032u);
}

TEST_F(EmbeddedHeaderTest, AiffChunkIsAnApplicationChunkSignedKelm) {
  OpenSource(Head(kItems, kComment, 1024));
  const std::string head = test::ReadFile(sourcePath).substr(0, 1024);
  EXPECT_EQ(Written(HeadContainer::ApplicationChunk),
            "APPL" + std::string("\x00\x00\x04\x04", 4) + "kelm" + head);
  EXPECT_EQ(EmbeddedHeaderChunkBytes(source, HeadContainer::ApplicationChunk), 1036u);
}

TEST_F(EmbeddedHeaderTest, TheHeadWrittenIsRebuiltFromTheCurrentItems) {
  OpenSource(Head({"head=1024", "sftot=8000"}, {}, 1024));
  source.set_item("sftot", "11025");
  const std::string chunk = Written(HeadContainer::KelmChunk);
  EXPECT_EQ(chunk.substr(8), Head({"head=1024", "sftot=11025"}, {}, 1024));
}

TEST_F(EmbeddedHeaderTest, ALargerHeadSizeIsCarriedWhole) {
  OpenSource(Head({"head=2048", "sftot=8000"}, {}, 2048));
  EXPECT_EQ(EmbeddedHeadSize(source), 2048u);
  const std::string chunk = Written(HeadContainer::KelmChunk);
  EXPECT_EQ(chunk.size(), 8u + 2048u);
  EXPECT_EQ(chunk.substr(4, 4), Le32(2048));
}

TEST_F(EmbeddedHeaderTest, AHeadThatOutgrewItsSizeIsNotCut) {
  OpenSource(Head({"head=16"}, {}, 16));
  source.set_item("note", std::string(40, 'x'));
  const uint32_t size = EmbeddedHeadSize(source);
  EXPECT_GE(size, static_cast<uint32_t>(source.UsedSize()));
  EXPECT_EQ(size % 2, 0u);
  const std::string chunk = Written(HeadContainer::KelmChunk);
  EXPECT_EQ(chunk.substr(4, 4), Le32(size));
  NewTarget();
  Walk(chunk);
  EXPECT_EQ(target.get_item("note"), std::string(40, 'x'));
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, ExportThenImportRestoresEveryItemAndComment) {
  OpenSource(Head(kItems, kComment, 1024));
  NewTarget();
  int restored = 0;
  const std::string file =
      Written(HeadContainer::KelmChunk) + "data" + Le32(4) + "\x05\x00\x06\x00";
  EXPECT_EQ(Walk(file, &restored), (std::vector<std::string>{"kelm", "data"}));
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(target.Items(), source.Items());
  EXPECT_EQ(target.Comment(), source.Comment());
  EXPECT_EQ(target.get_item("view"), "-1,1,Pa");
  EXPECT_EQ(target.get_item("note"), "ÄÖü");  // stored in code page 850
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, SamplesStoredAfterARestoredHeadFollowItsSize) {
  OpenSource(Head({"head=2048", "sftot=8000"}, {}, 2048));
  NewTarget();
  Walk(Written(HeadContainer::KelmChunk));
  EXPECT_EQ(target.HeadSize(), 2048);
  target.SetPosition(0);
  tsamplechunk chunk{};
  chunk.used = 2;
  chunk.data[0] = 0x1234;
  chunk.data[1] = -2;
  target.SetChunk(chunk);
  ASSERT_TRUE(target.save_file(""));
  target.close_file();
  const std::string bytes = test::ReadFile(dir / "target.smp");
  ASSERT_EQ(bytes.size(), 2052u);
  EXPECT_EQ(bytes.substr(2048), std::string("\x34\x12\xFE\xFF", 4));
}

TEST_F(EmbeddedHeaderTest, OnlyTheFirst32768BytesAreParsedAndTheRestIsSkipped) {
  NewTarget();
  // 3276 lines of 10 bytes and no terminator inside the first 32768 bytes.
  std::string body;
  for (int i = 0; i < 3276; ++i) {
    std::string name = std::to_string(100000 + i);
    name[0] = 'k';
    body += name + "=1\r\n";
  }
  body += "sftot=8000\r\nnchans=7\r\n" + std::string(7001, 'z');
  const std::string file =
      "kelm" + Le32(static_cast<uint32_t>(body.size())) + body + "z" + "data" + Le32(0);
  EXPECT_EQ(Walk(file), (std::vector<std::string>{"kelm", "data"}));
  EXPECT_EQ(target.get_item("k00000"), "1");
  EXPECT_EQ(target.get_item("k03275"), "1");
  EXPECT_EQ(target.get_item("nchans"), "");
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, OnlyTheChunksOwnBytesArePartOfTheHead) {
  NewTarget();
  // Builds a head of the target's own items into the buffer before the chunk is read.
  target.set_item("zzzzzzzz", "stale");
  target.HeadArrPtr();
  int restored = 0;
  // No terminator in the body, an odd size and its pad byte, then another chunk.
  EXPECT_EQ(Walk("kelm" + Le32(3) + "a=b" + std::string(1, '\0') + "data" + Le32(0), &restored),
            (std::vector<std::string>{"kelm", "data"}));
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(target.get_item("a"), "b");
  EXPECT_EQ(target.get_item("zzzzzzzz"), "stale");
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, LabelsOfTheNamedFileAreKeptForTheTargetsOwnLabelFile) {
  test::WriteFile(dir / "named.csv", "other.smp\r\n1;2;x\r\n");
  NewTarget();
  const std::string head = Head({"sftot=8000", "labels=" + (dir / "named.csv"), "mylabels=kept"},
                                {"labels=kept as comment"}, 1024);
  Walk("kelm" + Le32(1024) + head);
  EXPECT_TRUE(target.ExternalLabels());
  EXPECT_EQ(target.ExternalLabelList(), (std::vector<std::string>{"1,2,x"}));
  EXPECT_EQ(target.get_item("labels"), dir / "target.csv");
  EXPECT_EQ(target.get_item("sftot"), "8000");
  EXPECT_EQ(target.get_item("mylabels"), "kept");
  EXPECT_EQ(target.Comment(), (std::vector<std::string>{"labels=kept as comment"}));
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, ALabelsItemThatGaveNoLabelsIsDropped) {
  NewTarget();
  Walk("kelm" + Le32(1024) + Head({"labels=" + (dir / "absent.csv"), "L1=0,1,a"}, {}, 1024));
  EXPECT_FALSE(target.ExternalLabels());
  EXPECT_EQ(target.get_item("labels"), "");
  EXPECT_EQ(target.GetLabel(0), "0,1,a");
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, EmptyOrMissingBodiesRestoreNothing) {
  NewTarget();
  int restored = 0;
  EXPECT_EQ(Walk("kelm" + Le32(0) + "data" + Le32(0), &restored),
            (std::vector<std::string>{"kelm", "data"}));
  EXPECT_EQ(Walk("kelm" + Le32(100), &restored), (std::vector<std::string>{"kelm"}));
  EXPECT_EQ(restored, 0);
  EXPECT_TRUE(target.Items().empty());
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, ARestoredHeadIsSetOnTopOfTheItemsThere) {
  NewTarget();
  target.set_item("sftot", "16000");
  target.set_item("keep", "me");
  Walk("kelm" + Le32(1024) + Head({"sftot=8000", "extra=1"}, {}, 1024) + "kelm" + Le32(16) +
       Head({"extra=2"}, {}, 16));
  EXPECT_EQ(target.get_item("sftot"), "8000");
  EXPECT_EQ(target.get_item("keep"), "me");
  EXPECT_EQ(target.get_item("extra"), "2");  // a second chunk is parsed on top of the first
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, AiffRestoresOnlyFromApplicationChunksSignedKelm) {
  NewTarget();
  const std::string head = Head({"sftot=8000"}, {}, 16);
  const std::string other = Head({"sftot=1"}, {}, 16);
  const auto size = [](const std::string& body) { return Be32(4 + body.size()); };
  const std::string file = "APPL" + size(other) + "abcd" + other + "APPL" + Be32(4) + "kelm" +
                           "APPL" + Be32(2) + "ke" + "APPL" + size(head) + "kelm" + head + "SSND" +
                           Be32(0);
  const std::string path = dir / "aiff";
  test::WriteFile(path, file);
  ByteReader reader(path);
  std::vector<bool> restored;
  std::vector<std::string> ids;
  while (const auto header = ReadChunkHeader(reader, ByteOrder::BigEndian)) {
    ids.emplace_back(header->id.view());
    ChunkBody body(reader, header->size, true);
    if (header->id == "APPL") {
      restored.push_back(ReadAPPLEmbeddedHeader(target, body));
    }
    body.Finish();
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"APPL", "APPL", "APPL", "APPL", "SSND"}));
  EXPECT_EQ(restored, (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(target.get_item("sftot"), "8000");
  target.close_file();
}

TEST_F(EmbeddedHeaderTest, AuRestoresFromTheEightBytesAfterTheHeaderWhenTheSizeIsSane) {
  const std::string head = Head({"sftot=8000"}, {}, 16);
  struct Case {
    std::string bytes;
    bool restored;
  };
  const Case cases[] = {
      {"kelm" + Le32(16) + head, true},     {"kelm" + Le32(0) + head, false},
      {"kelm" + Le32(32768) + head, false}, {"kelm" + Le32(0xFFFFFFF0u) + head, false},
      {"KELM" + Le32(16) + head, false},    {"kelm", false},
  };
  for (const Case& c : cases) {
    TSMPfile au;
    ASSERT_TRUE(au.new_file(dir / "au.smp"));
    const std::string path = dir / "au";
    test::WriteFile(path, std::string(24, '\0') + c.bytes);
    ByteReader reader(path);
    reader.Skip(24);
    EXPECT_EQ(ReadAUEmbeddedHeader(au, reader), c.restored) << c.bytes.substr(0, 8);
    EXPECT_EQ(au.get_item("sftot"), c.restored ? "8000" : "");
    if (c.restored) {
      EXPECT_EQ(reader.Position(), 24u + 8u + 16u);
    }
    au.close_file();
  }
}

}  // namespace
}  // namespace vorsel
