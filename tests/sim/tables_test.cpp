#include "sim/tables.h"

#include <gtest/gtest.h>

#include "tests/sim/scripted_loader.h"

using kznsim::Bytes;

namespace {

// Splits a stream into dump records as the receiver lays them out: 0x8B, block, data,
// check, CR LF, with the block lengths of the table region.
int CountGoodRecords(const Bytes& records) {
  static const int kLengths[45] = {120, 120, 120, 120, 120, 120, 120, 120, 120, 120, 80, 120,
                                   8,   42,  42,  42,  42,  42,  42,  42,  42,  42,  42, 42,
                                   42,  42,  42,  42,  42,  42,  42,  42,  42,  42,  42, 42,
                                   42,  42,  42,  42,  42,  42,  42,  42,  42};
  std::size_t pos = 0;
  int good = 0;
  for (int block = 0; block < 45; ++block) {
    std::size_t length = static_cast<std::size_t>(kLengths[block]);
    if (pos + length + 5 > records.size()) return good;
    if (records[pos] != 0x8B || records[pos + 1] != block) return good;
    unsigned sum = static_cast<unsigned>(block);
    for (std::size_t i = 0; i < length; ++i)
      sum += records[pos + 2 + i];
    bool ok = (sum & 0xFF) == records[pos + 2 + length] && records[pos + 3 + length] == '\r' &&
              records[pos + 4 + length] == '\n';
    if (ok) ++good;
    pos += length + 5;
  }
  return pos == records.size() ? good : -1;
}

}  // namespace

TEST(SimTables, DumpHas45CheckedRecordsInTheBlockLayout) {
  auto tables = kznsim::GenerateTables(7, 2300);
  Bytes records = kznsim::BuildDumpRecords(tables, -1);
  EXPECT_EQ(records.size(), 2977u);
  EXPECT_EQ(CountGoodRecords(records), 45);
  EXPECT_EQ(CountGoodRecords(kznsim::BuildDumpRecords(tables, 5)), 44);
  // Block 44 lies at base + 2714 and the word sum right behind the 1280 doppler bytes.
  EXPECT_EQ(kznsim::BlockOffset(44), 2714u);
  EXPECT_EQ(kznsim::BlockOffset(11), 1284u);
  unsigned sum = 0;
  for (int i = 0; i < 1280; i += 2)
    sum += static_cast<unsigned>(tables.doppler[i] << 8 | tables.doppler[i + 1]);
  EXPECT_EQ(tables.doppler[1280], (sum >> 8) & 0xFF);
  EXPECT_EQ(tables.doppler[1281], sum & 0xFF);
}

TEST(SimTables, AlmanacRowsCarryStatusTimeAndARecentWeek) {
  auto a = kznsim::GenerateTables(3, 2345);
  auto b = kznsim::GenerateTables(3, 2345);
  auto c = kznsim::GenerateTables(4, 2345);
  EXPECT_EQ(a.almanac, b.almanac);
  EXPECT_NE(a.almanac, c.almanac);
  int healthy = 0;
  for (int slot = 0; slot < 32; ++slot) {
    const std::uint8_t* row = &a.almanac[static_cast<std::size_t>(slot * 42)];
    int week = row[4] << 8 | row[5];
    EXPECT_TRUE(week == 2345 || week == 2344) << slot;
    EXPECT_LT(row[2], 148) << "time within the week";
    if (row[0] >= 0x80) ++healthy;
  }
  EXPECT_GT(healthy, 20);
  EXPECT_LT(healthy, 32);
  int now = kznsim::CurrentGpsWeek();
  EXPECT_GT(now, 2300);  // later than 2024
}

TEST(SimTables, TablesComeBackFromACapturedDump) {
  auto tables = kznsim::GenerateTables(11, 2300);
  // Make a CR LF appear inside block 13's data: it must not end the record.
  tables.almanac[20] = '\r';
  tables.almanac[21] = '\n';
  Bytes capture = kznsim::BuildNmeaLines(150);
  EXPECT_GE(capture.size(), 150u);
  EXPECT_EQ(std::count(capture.begin(), capture.end(), 0x8B), 0);
  EXPECT_EQ(capture[capture.size() - 2], '\r');
  EXPECT_EQ(capture.back(), '\n');
  Bytes records = kznsim::BuildDumpRecords(tables, -1);
  capture.insert(capture.end(), records.begin(), records.end());
  auto back = kznsim::TablesFromDump(capture);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->doppler, tables.doppler);
  EXPECT_EQ(back->almanac, tables.almanac);
  EXPECT_EQ(back->extra11, tables.extra11);
  EXPECT_EQ(back->extra12, tables.extra12);

  EXPECT_FALSE(kznsim::TablesFromDump(kznsim::BuildDumpRecords(tables, 20)));
  Bytes cut(records.begin(), records.end() - 10);
  EXPECT_FALSE(kznsim::TablesFromDump(cut));
  EXPECT_FALSE(kznsim::TablesFromDump(Bytes{}));
}
