#include <gtest/gtest.h>

#include "loader/first/dump_parser.h"
#include "tests/first/scripted_receiver.h"

using first_test::BlockData;
using first_test::MakeDump;
using first_test::MakeDumpRecord;

namespace {

constexpr std::uint16_t kWeek = 2300;

std::vector<std::uint8_t> Records(int from, int to) {
  std::vector<std::uint8_t> bytes;
  for (int block = from; block <= to; ++block) {
    auto r = MakeDumpRecord(block, BlockData(7, kWeek, block));
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  return bytes;
}

TEST(ParseDumpBytes, CompleteDumpFillsEveryRowFromItsStart) {
  TableStore tables;
  tables.doppler[0].fill(0xEE);
  auto dump = MakeDump(7, kWeek, std::string(60, 'x') + "\r\n");
  DumpParse parse = ParseDumpBytes(dump, tables);
  ASSERT_EQ(parse.outcome, DumpOutcome::kComplete);
  EXPECT_EQ(parse.goodRecords, 45);
  for (int block = 0; block < 13; ++block) {
    auto data = BlockData(7, kWeek, block);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), tables.doppler[block].begin())) << block;
  }
  // Neither the check byte nor the CR lands in a row.
  EXPECT_EQ(tables.doppler[0][120], 0xEE);
  for (int slot = 0; slot < 32; ++slot) {
    auto data = BlockData(7, kWeek, 13 + slot);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), tables.freshAlmanac[slot].begin()));
  }
}

TEST(ParseDumpBytes, WhereTheRecordsBegin) {
  TableStore tables;
  // 2977 record bytes and 40 in front: exactly 3017, parsed from the first byte, so the
  // text is taken as a broken record.
  auto exact = MakeDump(7, kWeek, std::string(38, 'x') + "\r\n");
  ASSERT_EQ(exact.size(), 3017u);
  EXPECT_EQ(ParseDumpBytes(exact, tables).outcome, DumpOutcome::kBadRecord);

  // A longer dump that starts with a record loses that record: 44 remain.
  auto startsWithRecord = Records(0, 44);
  auto tail = std::vector<std::uint8_t>(100, 'y');
  startsWithRecord.insert(startsWithRecord.end(), tail.begin(), tail.end());
  DumpParse parse = ParseDumpBytes(startsWithRecord, tables);
  EXPECT_EQ(parse.outcome, DumpOutcome::kEnded);
  EXPECT_EQ(parse.goodRecords, 44);

  // CR CR LF 0x8B: the second CR broke the match and is not looked at again.
  std::vector<std::uint8_t> noStart(3100, 'z');
  const std::uint8_t seq[] = {'\r', '\r', '\n', 0x8B};
  std::copy(std::begin(seq), std::end(seq), noStart.begin() + 10);
  EXPECT_EQ(ParseDumpBytes(noStart, tables).outcome, DumpOutcome::kNoRecordStart);
}

TEST(ParseDumpBytes, CrLfInsideTheDataDoesNotEndARecord) {
  TableStore tables;
  auto data = BlockData(7, kWeek, 13);
  data[20] = '\r';
  data[21] = '\n';
  auto bytes = MakeDumpRecord(13, data);
  DumpParse parse = ParseDumpBytes(bytes, tables);
  EXPECT_EQ(parse.outcome, DumpOutcome::kEnded);
  EXPECT_EQ(parse.goodRecords, 1);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), tables.freshAlmanac[0].begin()));

  // Last data byte CR and a check byte that happens to be LF: 42 bytes have followed the
  // block number, not more, so the record goes on to its real end.
  data = BlockData(7, kWeek, 14);
  data[41] = '\r';
  std::uint8_t sum = 14;
  for (std::size_t i = 0; i < data.size(); ++i)
    sum = static_cast<std::uint8_t>(sum + data[i]);
  data[10] = static_cast<std::uint8_t>(data[10] + '\n' - sum);
  bytes = MakeDumpRecord(14, data);
  ASSERT_EQ(bytes[bytes.size() - 3], '\n');
  parse = ParseDumpBytes(bytes, tables);
  EXPECT_EQ(parse.outcome, DumpOutcome::kEnded);
  EXPECT_EQ(parse.goodRecords, 1);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), tables.freshAlmanac[1].begin()));
}

TEST(ParseDumpBytes, BrokenRecordsAreNotStored) {
  TableStore tables;
  auto bad = MakeDumpRecord(3, BlockData(7, kWeek, 3));
  bad[bad.size() - 3] ^= 1;  // the check byte
  EXPECT_EQ(ParseDumpBytes(bad, tables).outcome, DumpOutcome::kBadRecord);
  EXPECT_EQ(tables.doppler[3][0], 0);

  // A block the receiver does not have, with a good check byte, is no table record.
  auto beyond = MakeDumpRecord(200, std::vector<std::uint8_t>(42, 0x55));
  EXPECT_EQ(ParseDumpBytes(beyond, tables).outcome, DumpOutcome::kBadRecord);
}

TEST(ParseDumpBytes, OverlongDataStaysInsideItsRow) {
  TableStore tables;
  TableStore before = tables;
  // An almanac record with 300 data bytes: its row takes 42, the next row nothing.
  auto bytes = MakeDumpRecord(13, std::vector<std::uint8_t>(300, 0x66));
  DumpParse parse = ParseDumpBytes(bytes, tables);
  EXPECT_EQ(parse.goodRecords, 1);
  EXPECT_EQ(tables.freshAlmanac[0][41], 0x66);
  EXPECT_EQ(tables.freshAlmanac[1], before.freshAlmanac[1]);
  // A doppler record beyond 130 bytes fills its row and nothing else.
  bytes = MakeDumpRecord(12, std::vector<std::uint8_t>(400, 0x77));
  ParseDumpBytes(bytes, tables);
  EXPECT_EQ(tables.doppler[12][129], 0x77);
  EXPECT_EQ(tables.freshAlmanac[0][0], 0x66);
}

TEST(ParseDumpBytes, EmptyAndTruncatedDumps) {
  TableStore tables;
  EXPECT_EQ(ParseDumpBytes({}, tables).outcome, DumpOutcome::kEnded);
  auto partial = Records(0, 5);
  partial.resize(partial.size() - 40);
  DumpParse parse = ParseDumpBytes(partial, tables);
  EXPECT_EQ(parse.outcome, DumpOutcome::kEnded);
  EXPECT_EQ(parse.goodRecords, 5);
}

}  // namespace
