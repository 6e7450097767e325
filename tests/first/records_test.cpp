#include <gtest/gtest.h>

#include "loader/first/tables.h"
#include "loader/first/upload.h"

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(BlockMap, AddressesFollowTheFamilyBase) {
  BlockMap tk{}, vr{};
  FillBlockMap(tk, FirstFamilyKind::kTk);
  FillBlockMap(vr, FirstFamilyKind::kVr);
  EXPECT_EQ(tk[0].address, 0xC0F400u);
  EXPECT_EQ(vr[0].address, 0xC1F400u);
  EXPECT_EQ(vr[10].address, 0xC1F400u + 1200);
  EXPECT_EQ(vr[11].address, 0xC1F400u + 1284);
  EXPECT_EQ(vr[12].address, 0xC1F400u + 1404);
  EXPECT_EQ(vr[13].address, 0xC1F400u + 1412);
  EXPECT_EQ(tk[44].address, 0xC0F400u + 2714);
  for (int block = 0; block < kBlockCount; ++block)
    EXPECT_EQ(tk[block].length, vr[block].length);
  EXPECT_EQ(tk[10].length, 80);
  EXPECT_EQ(tk[12].length, 8);
  EXPECT_EQ(tk[44].length, 42);
}

TEST(WriteBackRecord, LayoutAndCheckByte) {
  std::vector<std::uint8_t> data{0x10, 0x20, 0xFF};
  auto record = BuildWriteBackRecord(0xC1F5A4, data);
  std::vector<std::uint8_t> expected{
      0x8B, 2,    0xC1,
      0xF5, 0xA4, 0x10,
      0x20, 0xFF, static_cast<std::uint8_t>(2 + 0xC1 + 0xF5 + 0xA4 + 0x10 + 0x20 + 0xFF)};
  EXPECT_EQ(record, expected);
  EXPECT_EQ(BuildWriteBackRecord(0, std::vector<std::uint8_t>(82, 1)).size(), 88u);
}

TEST(WriteBackRecord, DopplerWordSumTakesPairsHighByteFirst) {
  TableStore tables;
  EXPECT_EQ(DopplerWordSum(tables), 0);
  tables.doppler[0][0] = 0x12;
  tables.doppler[0][1] = 0x34;
  tables.doppler[10][78] = 0xFF;
  tables.doppler[10][79] = 0xFF;
  // Bytes past block 10's 80 never count.
  tables.doppler[10][80] = 0x77;
  tables.doppler[11][0] = 0x77;
  EXPECT_EQ(DopplerWordSum(tables), static_cast<std::uint16_t>(0x1234 + 0xFFFF));
}

TEST(RecordAnswer, SmallestByteMustBeZeroCharacter) {
  EXPECT_TRUE(IsRecordAcceptance(Bytes("0")));
  EXPECT_TRUE(IsRecordAcceptance(Bytes("01")));
  EXPECT_FALSE(IsRecordAcceptance(Bytes("0\r\n")));  // CR is below "0"
  EXPECT_FALSE(IsRecordAcceptance(Bytes("1")));
  EXPECT_FALSE(IsRecordAcceptance(Bytes("\x80\xFF")));  // nothing below 127 at all
  EXPECT_FALSE(IsRecordAcceptance({}));
}

TEST(EndRecord, FourthByteIsTheSumOfTheTwoSumBytes) {
  auto end = BuildEndRecord(0xABCD);
  EXPECT_EQ(end[0], 0x8C);
  EXPECT_EQ(end[1], 0xAB);
  EXPECT_EQ(end[2], 0xCD);
  EXPECT_EQ(end[3], static_cast<std::uint8_t>(0xAB + 0xCD));
}

}  // namespace
