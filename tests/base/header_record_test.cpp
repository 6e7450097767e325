#include "base/header_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/atomic_file.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  return {values.begin(), values.end()};
}

// Each record's counted length, where the file stands after it (-1: anywhere) and its text.
TEST(HeaderRecord, BothFormsAreCountedAndOtherFirstBytesOrCutRecordsHaveNone) {
  TempDir dir;
  RecordingUi ui;
  const struct {
    std::string content;
    int counted;
    long position;
    std::string text;
  } cases[] = {
      // Form A, count 0: 8 bytes, header text of 6 bytes.
      {Bytes({0x8B, 0, 'V', '1', '.', '0', '0', 'x', 0x8C, 1, 2, 3}), 8, 8, "V1.00x"},
      // Form B, count 5: occupies 9 bytes, counts 7; the two bytes after the text are dropped.
      {Bytes({0x8A, 5, 'A', 'B', 'C', 'D', 'E', 0x11, 0x22, 0x8C}), 7, 9, "ABCDE"},
      // The largest form A record: count 255, 263 bytes.
      {Bytes({0x8B, 255}) + std::string(261, 'z') + "rest", 263, 263, std::string(261, 'z')},
      {Bytes({0x8C, 1, 2, 3}), 0, 1, ""},  // an end record: one byte read
      {Bytes({0x00}), 0, -1, ""},
      {std::string(), 0, -1, ""},
      {Bytes({0x8B}), 0, -1, ""},                  // no count byte
      {Bytes({0x8B, 3, 'a', 'b'}), 0, -1, ""},     // ends inside the text
      {Bytes({0x8A, 2, 'a', 'b', 0}), 0, -1, ""},  // ends inside the dropped bytes
  };
  int i = 0;
  for (const auto& c : cases) {
    const std::string name = "f" + std::to_string(i++);
    SCOPED_TRACE(name);
    dir.Write(name, c.content);
    UniqueFile f = OpenFile(dir.File(name), "rb");
    std::fseek(f.get(), 3, SEEK_SET);  // the reader goes back to the start itself
    const HeaderRecord header = ReadHeaderRecord(f.get(), ui);
    EXPECT_EQ(header.counted, c.counted);
    EXPECT_TRUE(c.position < 0 || std::ftell(f.get()) == c.position) << std::ftell(f.get());
    if (c.counted == 0) continue;
    EXPECT_EQ(header.Form(), static_cast<std::uint8_t>(c.content[0]));
    EXPECT_EQ(std::string(header.Text(), header.Text() + c.text.size()), c.text);
    // Nothing of the dropped bytes or of an earlier record lies beyond this one.
    EXPECT_EQ(c.counted < static_cast<int>(header.bytes.size()) ? header.bytes[c.counted] : 0, 0);
  }
  EXPECT_EQ(ui.fileReadErrors, 0);
}

TEST(HeaderRecord, AReadErrorIsShownAndCountsAsNoHeader) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows C library reads a write-only stream as an empty file";
#endif
  TempDir dir;
  RecordingUi ui;
  // Reading a stream opened for writing only fails with an error, not with the end of a file.
  UniqueFile f = OpenFile(dir.File("written"), "wb");
  ASSERT_TRUE(f);
  EXPECT_EQ(ReadHeaderRecord(f.get(), ui).counted, 0);
  EXPECT_EQ(ui.fileReadErrors, 1);
}

}  // namespace
