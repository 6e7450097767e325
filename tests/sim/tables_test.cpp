#include "sim/tables.h"

#include <gtest/gtest.h>

// The receiver's own almanac looks like a real one, so a loader's checks of it see one.
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
