#include "sim/tables.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/sim/scripted_loader.h"

namespace simtest {
namespace {

TEST(SimTables, DumpCarriesTheTablesInTheBlockLayoutAndComesBackFromACapture) {
  auto tables = kznsim::GenerateTables(11, 2300);
  // A CR LF inside block 13's data must not end the record.
  tables.almanac[20] = '\r';
  tables.almanac[21] = '\n';
  Bytes capture = kznsim::BuildNmeaLines(150);
  EXPECT_GE(capture.size(), 150u);
  EXPECT_EQ(std::count(capture.begin(), capture.end(), 0x8B), 0);
  Bytes records = kznsim::BuildDumpRecords(tables, -1);
  EXPECT_EQ(records.size(), 2977u);
  capture.insert(capture.end(), records.begin(), records.end());
  auto dump = DumpRecords(capture);
  ASSERT_EQ(dump.size(), 45u);
  EXPECT_EQ(dump[10], Bytes(tables.doppler.begin() + 1200, tables.doppler.begin() + 1280));
  EXPECT_EQ(dump[11], tables.extra11);
  EXPECT_EQ(dump[13], Bytes(tables.almanac.begin(), tables.almanac.begin() + 42));
  EXPECT_EQ(dump[44], Bytes(tables.almanac.end() - 42, tables.almanac.end()));
  // Block 44 lies at base + 2714 and the word sum right behind the 1280 doppler bytes.
  EXPECT_EQ(kznsim::BlockOffset(44), 2714u);
  EXPECT_EQ(kznsim::BlockOffset(11), 1284u);
  unsigned sum = 0;
  for (int i = 0; i < 1280; i += 2)
    sum += static_cast<unsigned>(tables.doppler[i] << 8 | tables.doppler[i + 1]);
  EXPECT_EQ(tables.doppler[1280] << 8 | tables.doppler[1281], static_cast<int>(sum & 0xFFFF));

  auto back = kznsim::TablesFromDump(capture);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->doppler, tables.doppler);
  EXPECT_EQ(back->almanac, tables.almanac);
  EXPECT_EQ(back->extra11, tables.extra11);
  EXPECT_EQ(back->extra12, tables.extra12);
  Bytes spoiled{'\r', '\n'};
  Bytes bad5 = kznsim::BuildDumpRecords(tables, 5);
  spoiled.insert(spoiled.end(), bad5.begin(), bad5.end());
  EXPECT_EQ(DumpRecords(spoiled).size(), 5u);
  EXPECT_FALSE(kznsim::TablesFromDump(kznsim::BuildDumpRecords(tables, 20)));
  EXPECT_FALSE(kznsim::TablesFromDump(Bytes(records.begin(), records.end() - 10)));
  EXPECT_FALSE(kznsim::TablesFromDump(Bytes{}));
}

TEST(SimTables, AlmanacRowsCarryStatusTimeAndARecentWeek) {
  auto a = kznsim::GenerateTables(3, 2345);
  EXPECT_EQ(a.almanac, kznsim::GenerateTables(3, 2345).almanac);
  EXPECT_NE(a.almanac, kznsim::GenerateTables(4, 2345).almanac);
  int healthy = 0;
  for (std::size_t row = 0; row < 32 * 42; row += 42) {
    int week = a.almanac[row + 4] << 8 | a.almanac[row + 5];
    EXPECT_TRUE(week == 2345 || week == 2344) << row;
    EXPECT_LT(a.almanac[row + 2], 148) << "time within the week";
    healthy += a.almanac[row] >= 0x80;
  }
  EXPECT_GT(healthy, 20);
  EXPECT_LT(healthy, 32);
  EXPECT_GT(kznsim::CurrentGpsWeek(), 2300);  // later than 2024
}

}  // namespace
}  // namespace simtest
