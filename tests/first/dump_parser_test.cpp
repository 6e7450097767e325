#include <gtest/gtest.h>

#include "loader/first/dump_parser.h"
#include "tests/first/scripted_receiver.h"

using first_test::BlockData;
using first_test::MakeDumpRecord;

namespace {

constexpr std::uint16_t kWeek = 2300;

TEST(ParseDumpBytes, OutcomesAndWhereTheRecordsBegin) {
  // 2977 record bytes and 40 in front: exactly 3017, parsed from the first byte, so the
  // text is taken as a broken record.
  auto exact = first_test::MakeDump(7, kWeek, std::string(38, 'x') + "\r\n");
  // A longer dump that starts with a record loses that record: 44 remain.
  auto startsWithRecord = first_test::MakeDump(7, kWeek, "");
  startsWithRecord.resize(startsWithRecord.size() + 100, 'y');
  // CR CR LF 0x8B: the second CR broke the match and is not looked at again.
  std::vector<std::uint8_t> noStart(3100, 'z');
  noStart[10] = noStart[11] = '\r';
  noStart[12] = '\n';
  noStart[13] = 0x8B;
  auto badCheck = MakeDumpRecord(3, BlockData(7, kWeek, 3));
  badCheck[badCheck.size() - 3] ^= 1;
  // A block the receiver does not have, with a good check byte, is no table record.
  auto beyond = MakeDumpRecord(200, std::vector<std::uint8_t>(42, 0x55));
  auto truncated = first_test::MakeDump(7, kWeek, "");
  truncated.resize(6 * 125 - 40);  // six records of 120 data bytes, less 40 bytes
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    DumpOutcome outcome;
    int goodRecords;
  };
  const Case cases[] = {
      {"exact", exact, DumpOutcome::kBadRecord, 0},
      {"starts with a record", startsWithRecord, DumpOutcome::kEnded, 44},
      {"no record start", noStart, DumpOutcome::kNoRecordStart, 0},
      {"bad check byte", badCheck, DumpOutcome::kBadRecord, 0},
      {"block beyond", beyond, DumpOutcome::kBadRecord, 0},
      {"empty", {}, DumpOutcome::kEnded, 0},
      {"truncated", truncated, DumpOutcome::kEnded, 5},
  };
  ASSERT_EQ(exact.size(), 3017u);
  for (const Case& c : cases) {
    TableStore tables;
    DumpParse parse = ParseDumpBytes(c.bytes, tables);
    EXPECT_EQ(parse.outcome, c.outcome) << c.name;
    EXPECT_EQ(parse.goodRecords, c.goodRecords) << c.name;
    EXPECT_TRUE(c.goodRecords > 0 || tables.doppler == TableStore{}.doppler) << c.name;
  }
}

TEST(ParseDumpBytes, CrLfInsideTheDataDoesNotEndARecord) {
  auto inside = BlockData(7, kWeek, 13);
  inside[20] = '\r';
  inside[21] = '\n';
  // Last data byte CR and a check byte that happens to be LF: 42 bytes have followed the
  // block number, not more, so the record goes on to its real end.
  auto last = BlockData(7, kWeek, 13);
  last[41] = '\r';
  std::uint8_t sum = 13;
  for (std::uint8_t b : last)
    sum = static_cast<std::uint8_t>(sum + b);
  last[10] = static_cast<std::uint8_t>(last[10] + '\n' - sum);
  for (const auto& data : {inside, last}) {
    TableStore tables;
    auto bytes = MakeDumpRecord(13, data);
    DumpParse parse = ParseDumpBytes(bytes, tables);
    EXPECT_EQ(parse.outcome, DumpOutcome::kEnded);
    EXPECT_EQ(parse.goodRecords, 1);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), tables.freshAlmanac[0].begin()));
  }
}

TEST(ParseDumpBytes, OverlongDataStaysInsideItsRow) {
  TableStore tables;
  // An almanac record with 300 data bytes: its row takes 42, the next row nothing.
  DumpParse parse =
      ParseDumpBytes(MakeDumpRecord(13, std::vector<std::uint8_t>(300, 0x66)), tables);
  EXPECT_EQ(parse.goodRecords, 1);
  EXPECT_EQ(tables.freshAlmanac[0][41], 0x66);
  EXPECT_EQ(tables.freshAlmanac[1], AlmanacRow{});
  // A doppler record beyond 130 bytes fills its row and nothing else.
  ParseDumpBytes(MakeDumpRecord(12, std::vector<std::uint8_t>(400, 0x77)), tables);
  EXPECT_EQ(tables.doppler[12][129], 0x77);
  EXPECT_EQ(tables.freshAlmanac[0][0], 0x66);
  EXPECT_EQ(tables.doppler[11], DopplerRow{});
}

}  // namespace
