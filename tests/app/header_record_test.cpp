#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/header_record.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values)
    s.push_back(static_cast<char>(v));
  return s;
}

struct Opened {
  std::FILE* file;
  ~Opened() {
    if (file) std::fclose(file);
  }
};

TEST(HeaderRecord, BothFormsReturnTheirCountedLengthAndLeaveTheFileBehindTheRecord) {
  TempDir dir;
  RecordingUi ui;
  // Form A, count 0: 8 bytes, header text of 6 bytes.
  dir.Write("a", Bytes({0x8B, 0, 'V', '1', '.', '0', '0', 'x', 0x8C, 1, 2, 3}));
  Opened a{std::fopen(dir.File("a").c_str(), "rb")};
  const HeaderRecord first = ReadHeaderRecord(a.file, ui);
  EXPECT_EQ(first.counted, 8);
  EXPECT_EQ(std::ftell(a.file), 8);
  EXPECT_EQ(first.Form(), 0x8B);
  EXPECT_EQ(std::string(first.Text(), first.Text() + 6), "V1.00x");
  // Form B, count 5: occupies 9 bytes, counts 7; the two bytes after the text are dropped.
  dir.Write("b", Bytes({0x8A, 5, 'A', 'B', 'C', 'D', 'E', 0x11, 0x22, 0x8C}));
  Opened b{std::fopen(dir.File("b").c_str(), "rb")};
  const HeaderRecord second = ReadHeaderRecord(b.file, ui);
  EXPECT_EQ(second.counted, 7);
  EXPECT_EQ(std::ftell(b.file), 9);
  EXPECT_EQ(second.Form(), 0x8A);
  EXPECT_EQ(std::string(second.Text(), second.Text() + 5), "ABCDE");
  // Each read stands alone: nothing of the earlier record lies beyond this one.
  EXPECT_EQ(second.bytes[7], 0);
  // The largest form A record: count 255, 263 bytes.
  std::string big = Bytes({0x8B, 255}) + std::string(261, 'z') + "rest";
  dir.Write("big", big);
  Opened g{std::fopen(dir.File("big").c_str(), "rb")};
  EXPECT_EQ(ReadHeaderRecord(g.file, ui).counted, 263);
  EXPECT_EQ(std::ftell(g.file), 263);
  EXPECT_EQ(ui.fileReadErrors, 0);
}

TEST(HeaderRecord, OtherFirstBytesAndTruncatedRecordsHaveNone) {
  TempDir dir;
  RecordingUi ui;
  const std::string cases[] = {
      Bytes({0x8C, 1, 2, 3}),         // an end record: one byte read
      Bytes({0x00}),                  //
      std::string(),                  // empty file
      Bytes({0x8B}),                  // no count byte
      Bytes({0x8B, 3, 'a', 'b'}),     // ends inside the text
      Bytes({0x8A, 2, 'a', 'b', 0}),  // ends inside the dropped bytes
  };
  int i = 0;
  for (const std::string& content : cases) {
    std::string name = "f" + std::to_string(i++);
    dir.Write(name, content);
    Opened f{std::fopen(dir.File(name).c_str(), "rb")};
    EXPECT_EQ(ReadHeaderRecord(f.file, ui).counted, 0) << name;
  }
  Opened end{std::fopen(dir.File("f0").c_str(), "rb")};
  std::fseek(end.file, 3, SEEK_SET);  // the reader goes back to the start itself
  EXPECT_EQ(ReadHeaderRecord(end.file, ui).counted, 0);
  EXPECT_EQ(std::ftell(end.file), 1);
  EXPECT_EQ(ui.fileReadErrors, 0);
}

TEST(HeaderRecord, AReadErrorIsShownAndCountsAsNoHeader) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows C library reads a write-only stream as an empty file";
#endif
  TempDir dir;
  RecordingUi ui;
  // Reading a stream opened for writing only fails with an error, not with the end of a file.
  Opened f{std::fopen(dir.File("written").c_str(), "wb")};
  ASSERT_NE(f.file, nullptr);
  EXPECT_EQ(ReadHeaderRecord(f.file, ui).counted, 0);
  EXPECT_EQ(ui.fileReadErrors, 1);
}

}  // namespace
