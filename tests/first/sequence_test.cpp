// Whole first-family loads against the scripted receiver on the virtual clock.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/messages.h"
#include "loader/first/tables.h"
#include "serial/sentences.h"
#include "tests/first/first_rig.h"

namespace {

using first_test::BlockData;

class LanguageGuard {
 public:
  explicit LanguageGuard(std::int16_t offset) { LanguageOffset = offset; }
  ~LanguageGuard() { LanguageOffset = kFrenchOffset; }
};

std::vector<std::uint8_t> DataOf(const std::vector<std::uint8_t>& record) {
  return std::vector<std::uint8_t>(record.begin() + 5, record.end() - 1);
}

std::uint32_t AddressOf(const std::vector<std::uint8_t>& record) {
  return (record[2] << 16) | (record[3] << 8) | record[4];
}

std::uint16_t Sum(const std::vector<std::uint8_t>& bytes) {
  std::uint16_t sum = 0;
  for (auto b : bytes)
    sum = static_cast<std::uint16_t>(sum + b);
  return sum;
}

// What a complete load leaves: data records unchanged and in order, then the almanac then
// the doppler table at the family's addresses, then the end record with the combined sum.
void ExpectCompleteLoad(const FirstRig& rig, std::uint32_t base) {
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(rig.Marker(), 1);
  EXPECT_FALSE(rig.link.IsOpen());
  EXPECT_EQ(rig.ui.progressClosed, 1);
  std::vector<std::vector<std::uint8_t>> sent(rig.link.records.begin(),
                                              rig.link.records.begin() + 3);
  EXPECT_EQ(sent, rig.program.dataRecords);

  auto writeBacks = rig.WriteBacks();
  ASSERT_EQ(writeBacks.size(), 43u);
  std::uint16_t sum = rig.program.programSum;
  for (int i = 0; i < 43; ++i) {
    int block = i < 32 ? 13 + i : i - 32;
    const auto& r = writeBacks[static_cast<std::size_t>(i)];
    std::uint32_t offset = block >= 13 ? 1412u + 42u * static_cast<std::uint32_t>(block - 13)
                                       : 120u * static_cast<std::uint32_t>(block);
    EXPECT_EQ(AddressOf(r), base + offset) << block;
    std::uint8_t check = 0;
    for (std::size_t k = 1; k + 1 < r.size(); ++k)
      check = static_cast<std::uint8_t>(check + r[k]);
    EXPECT_EQ(r.back(), check);
    sum = static_cast<std::uint16_t>(sum + Sum(DataOf(r)));
  }
  // The receiver gets its own almanac back (first run: no backup yet) and its doppler table.
  for (int slot = 0; slot < 32; ++slot)
    EXPECT_EQ(DataOf(writeBacks[static_cast<std::size_t>(slot)]),
              BlockData(0x40, CurrentGpsWeek(), 13 + slot));
  auto block10 = DataOf(writeBacks[42]);
  ASSERT_EQ(block10.size(), 82u);
  std::uint16_t wordSum = 0;
  for (int block = 0; block <= 10; ++block) {
    auto data = BlockData(0x40, CurrentGpsWeek(), block);
    for (std::size_t k = 0; k + 1 < data.size(); k += 2)
      wordSum = static_cast<std::uint16_t>(wordSum + ((data[k] << 8) | data[k + 1]));
  }
  EXPECT_EQ(block10[80], wordSum >> 8);
  EXPECT_EQ(block10[81], wordSum & 0xFF);
  auto end = rig.EndRecord();
  ASSERT_EQ(end.size(), 4u);
  EXPECT_EQ(end[1], sum >> 8);
  EXPECT_EQ(end[2], sum & 0xFF);
  EXPECT_EQ(end[3], static_cast<std::uint8_t>(end[1] + end[2]));
}

TEST(FirstFamilyLoad, VrHappyPathInFrench) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.Run();
  ExpectCompleteLoad(rig, 0xC1F400);
  EXPECT_EQ(rig.ui.progressTexts,
            (std::vector<std::string>{LoadMessageText(kMsgWakingReceiver),
                                      LoadMessageText(kMsgReadingReceiver),
                                      LoadMessageText(kMsgLoadingInProgress)}));
  // The request and the wake sentences at 4800 bit/s, everything else at 9600.
  std::vector<std::uint8_t> slow = rig.link.BytesWrittenAt(4800);
  std::string at4800(slow.begin(), slow.end());
  EXPECT_EQ(at4800, std::string(kReadOutRequestVr) + std::string(kFirstWakeSentence) +
                        std::string(kSecondWakeSentence));
  for (const auto& write : rig.link.writes)
    EXPECT_EQ(write.settings.stopBits, 2);
  // The dump file holds what the receiver streamed, and alm.alm its almanac.
  std::string dump = rig.dir.Read("~tmp1.tmp");
  EXPECT_EQ(dump, std::string(rig.link.dump.begin(), rig.link.dump.end()));
  EXPECT_EQ(rig.dir.Read("alm.alm").size(), 1344u);
  EXPECT_GE(rig.ui.positions.back(), 1);
}

TEST(FirstFamilyLoad, TkHappyPathInEnglishOnPortTwo) {
  LanguageGuard english(kEnglishOffset);
  FirstRig rig(FirstFamilyKind::kTk);
  rig.w.portNumber = 2;
  rig.dir.Write("~tmp1.tmp", "left alone");
  rig.Run();
  EXPECT_EQ(rig.ui.messages.at(0).textNumber, kMsgLoadingOk + kEnglishOffset);
  EXPECT_EQ(rig.ui.progressTexts.at(1), "Reading receiver...");
  EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "2", 0), 1);
  EXPECT_EQ(rig.dir.Read("~tmp1.tmp"), "left alone");
  EXPECT_EQ(rig.dir.Read("~tmp2.tmp"), std::string(rig.link.dump.begin(), rig.link.dump.end()));
  EXPECT_TRUE(rig.link.BytesWrittenAt(4800).empty());
  std::string text = rig.link.TextWritten();
  EXPECT_NE(text.find(std::string(kReadOutMarkerTk)), std::string::npos);
  EXPECT_NE(text.find(std::string(kLoadMarkerTk)), std::string::npos);
  EXPECT_EQ(rig.link.zerosAnswered.size(), 2u);
  rig.ui.messages.at(0).textNumber = kMsgLoadingOk;  // compare the rest as in French
  ExpectCompleteLoad(rig, 0xC0F400);
}

TEST(FirstFamilyLoad, SavedAlmanacWinsWhereNewerAndIsWrittenBackMerged) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.w.tables.savedAlmanacValid = true;
  for (int slot = 0; slot < 32; ++slot) {
    rig.w.tables.savedAlmanac[slot] = {};
    // Even slots one week newer than the receiver's rows, odd ones a week older.
    auto week = static_cast<std::uint16_t>(CurrentGpsWeek() + (slot % 2 == 0 ? 1 : -1));
    rig.w.tables.savedAlmanac[slot][4] = static_cast<std::uint8_t>(week >> 8);
    rig.w.tables.savedAlmanac[slot][5] = static_cast<std::uint8_t>(week);
    rig.w.tables.savedAlmanac[slot][41] = 0xA5;
  }
  auto savedBefore = rig.w.tables.savedAlmanac;
  rig.Run();
  ASSERT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  auto writeBacks = rig.WriteBacks();
  std::string file = rig.dir.Read("alm.alm");
  for (int slot = 0; slot < 32; ++slot) {
    auto expected = slot % 2 == 0 ? std::vector<std::uint8_t>(savedBefore[slot].begin(),
                                                              savedBefore[slot].end())
                                  : BlockData(0x40, CurrentGpsWeek(), 13 + slot);
    EXPECT_EQ(DataOf(writeBacks[static_cast<std::size_t>(slot)]), expected) << slot;
    EXPECT_EQ(file.substr(static_cast<std::size_t>(slot) * 42, 42),
              std::string(expected.begin(), expected.end()));
  }
}

TEST(FirstFamilyLoad, AlmanacFileThatCannotBeWrittenDoesNotStopTheLoad) {
  FirstRig rig(FirstFamilyKind::kVr);
  ::mkdir(rig.dir.File("alm.alm").c_str(), 0755);  // in the way, even for root
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgTempFileError, kMsgLoadingOk}));
  EXPECT_EQ(rig.WriteBacks().size(), 43u);  // the merged almanac is still sent
}

TEST(FirstFamilyLoad, UnfinishedLoadWithoutDumpTouchesNothing) {
  FirstRig rig(FirstFamilyKind::kTk);
  rig.settings.SetInt("LAST_LOADING", "1", -1);
  rig.ui.answers = {kResultYes};
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgLastLoadingUnfinished, kMsgTempFileError}));
  EXPECT_TRUE(rig.link.writes.empty());
  EXPECT_EQ(rig.Marker(), -1);
  EXPECT_EQ(rig.ui.progressClosed, 1);
}

TEST(FirstFamilyLoad, UnfinishedLoadAnsweredNoReadsTheReceiverAgain) {
  FirstRig rig(FirstFamilyKind::kTk);
  rig.settings.SetInt("LAST_LOADING", "1", -1);
  rig.dir.Write("~tmp1.tmp", "stale");
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgLastLoadingUnfinished, kMsgLoadingOk}));
  EXPECT_EQ(rig.link.readOutRequests, 1);
  EXPECT_EQ(rig.dir.Read("~tmp1.tmp").size(), rig.link.dump.size());
}

TEST(FirstFamilyLoad, NothingToWriteBackSendsTheProgramSumAsItStands) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.StartInLoader();
  rig.Run();
  EXPECT_TRUE(rig.WriteBacks().empty());
  auto end = rig.EndRecord();
  EXPECT_EQ(end[1], rig.program.programSum >> 8);
  EXPECT_EQ(end[2], rig.program.programSum & 0xFF);
}

TEST(FirstFamilyLoad, ZeroWithLineEndInOneDeliveryIsARefusal) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.answerRecord = [](std::size_t index, const std::vector<std::uint8_t>&) {
    return index == 0 ? "0\r\n" : "0";
  };
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(rig.link.records[1], rig.link.records[0]);
}

TEST(FirstFamilyLoad, UnexpectedEndAnswerFailsWithOneMessage) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.link.verdicts = {"X"};
  rig.Run();
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingFailed});
  EXPECT_EQ(rig.Marker(), -1);
}

}  // namespace
