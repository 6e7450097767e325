#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/first/first_rig.h"

namespace {

AlmanacRow Row(std::uint8_t status, std::uint8_t time, std::uint16_t week, std::uint8_t tagByte) {
  AlmanacRow row{};
  row[0] = status;
  row[2] = time;
  row[4] = static_cast<std::uint8_t>(week >> 8);
  row[5] = static_cast<std::uint8_t>(week);
  row[41] = tagByte;
  return row;
}

// 2024-01-07 09:00 UTC: GPS week 2296 as the receivers count it, which begins at 08:00.
constexpr std::int64_t kInWeek2296 = 1704585600 + 9 * 3600;

TEST(Almanac, GpsWeekCountsFromSixJanuary1980AtEight) {
  EXPECT_EQ(GpsWeekAt(315993600 + 604799), 0);
  EXPECT_EQ(GpsWeekAt(315993600 + 604800), 1);
  EXPECT_EQ(GpsWeekAt(kInWeek2296), 2296);
  EXPECT_EQ(GpsWeekAt(kInWeek2296 - 2 * 3600), 2295);
}

TEST(Almanac, MergeKeepsTheNewerRowOfEachSlot) {
  struct Case {
    AlmanacRow saved, fresh;
    char winner;
  };
  const Case cases[] = {
      {Row(0x80, 9, 2296, 'S'), Row(0x80, 10, 2296, 'F'), 'F'},   // later in the week
      {Row(0x80, 10, 2296, 'S'), Row(0x00, 10, 2296, 'F'), 'F'},  // tie, fresh status 0
      {Row(0x80, 10, 2296, 'S'), Row(0x80, 10, 2296, 'F'), 'S'},  // tie, fresh status 0x80
      {Row(0x80, 0, 2297, 'S'), Row(0x80, 140, 2296, 'F'), 'S'},  // older week
      {Row(0x80, 0, 3000, 'S'), Row(0x80, 0, 4000, 'F'), 'F'},    // no wrap into the past
  };
  TableStore tables;
  tables.savedAlmanacValid = true;
  for (int slot = 0; slot < 5; ++slot) {
    tables.savedAlmanac[slot] = cases[slot].saved;
    tables.freshAlmanac[slot] = cases[slot].fresh;
  }
  MergeAlmanacRows(tables);
  for (int slot = 0; slot < 5; ++slot)
    EXPECT_EQ(tables.savedAlmanac[slot][41], cases[slot].winner) << slot;
}

TEST(Almanac, UnusableSavedAlmanacIsReplacedWhole) {
  TableStore tables;
  tables.savedAlmanac[0] = Row(0x80, 200, 9000, 'S');  // newer, but not usable
  tables.freshAlmanac[0] = Row(0x80, 0, 2296, 'F');
  MergeAlmanacRows(tables);
  EXPECT_TRUE(tables.savedAlmanacValid);
  EXPECT_EQ(tables.savedAlmanac, tables.freshAlmanac);
}

// A row two weeks old is fine, three is not, unless its status is below 0x80; a short file
// is not trusted.
TEST(AlmanacFile, LoadJudgesAgeAndIgnoresShortFiles) {
  FirstRig rig(FirstFamilyKind::kVr);
  struct Case {
    std::uint8_t status;
    int weeksOld;
    std::size_t size;
    bool usable;
  };
  for (Case c : {Case{0x80, 2, 1344, true}, Case{0x80, 3, 1344, false}, Case{0x7F, 3, 1344, true},
                 Case{0x80, 0, 1300, false}}) {
    std::string file;
    for (int slot = 0; slot < 32; ++slot) {
      AlmanacRow row = Row(0x80, 1, CurrentGpsWeek(), static_cast<std::uint8_t>(slot));
      if (slot == 7)
        row = Row(c.status, 1, static_cast<std::uint16_t>(CurrentGpsWeek() - c.weeksOld), 7);
      file.append(row.begin(), row.end());
    }
    rig.dir.Write("alm.alm", file.substr(0, c.size));
    LoadAlmanacBackup(rig.w);
    EXPECT_EQ(rig.w.tables.savedAlmanacValid, c.usable) << c.weeksOld << " " << c.size;
    EXPECT_EQ(rig.w.tables.savedAlmanac[31][41], 31);
  }
  EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(AlmanacFile, SaveReplacesTheFileWholeOrLeavesItAsItWas) {
  FirstRig rig(FirstFamilyKind::kVr);
  rig.w.tables.savedAlmanac[3][10] = 0x5A;
  SaveAlmanacBackup(rig.w);
  const std::string saved = rig.dir.Read("alm.alm");
  ASSERT_EQ(saved.size(), 1344u);
  EXPECT_EQ(static_cast<std::uint8_t>(saved[3 * 42 + 10]), 0x5A);

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file-size limit fails the write the way a full disk does, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = 512;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    rig.w.tables.savedAlmanac[3][10] = 0x11;
    SaveAlmanacBackup(rig.w);
    ::_exit(rig.ui.MessageIds() == std::vector<int>{kMsgTempFileError} ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "message 113 not shown";
  EXPECT_EQ(rig.dir.Read("alm.alm"), saved);
  for (const auto& entry : std::filesystem::directory_iterator(rig.dir.Path()))
    EXPECT_EQ(entry.path().string().find("alm.alm."), std::string::npos) << entry.path();
}

}  // namespace
