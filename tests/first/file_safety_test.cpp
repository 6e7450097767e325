#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "loader/first/dump_parser.h"
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

// alm.alm is replaced whole, or left as it was with message 113 when it cannot be written.
TEST(AlmanacFile, SaveReplacesTheFileWholeOrLeavesItAsItWas) {
  FirstRig rig(Family::kVr);
  rig.w.tables.savedAlmanac[3][10] = 0x5A;
  SaveAlmanacBackup(rig.w.tables, rig.w.catalogueFolder, rig.w.ui, rig.w.language);
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
    SaveAlmanacBackup(rig.w.tables, rig.w.catalogueFolder, rig.w.ui, rig.w.language);
    ::_exit(rig.ui.MessageIds() == std::vector<int>{kMsgTempFileError} ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "message 113 not shown";
  EXPECT_EQ(rig.dir.Read("alm.alm"), saved);
  // No temporary file is left behind (the lock file stays, as the settings' does).
  for (const auto& entry : std::filesystem::directory_iterator(rig.dir.Path())) {
    if (entry.path().filename() == "alm.alm.lock") continue;
    EXPECT_EQ(entry.path().string().find("alm.alm."), std::string::npos) << entry.path();
  }
}

// Another program loading on another port wrote alm.alm since this one read it: its newer
// rows survive this one's save, and this one's newer rows win over its older ones.
TEST(AlmanacFile, NewerRowsAnotherProgramWroteSurviveTheSave) {
  FirstRig rig(Family::kTk);
  Almanac theirs{};
  theirs[0] = Row(0x80, 4, 2300, 'T');
  theirs[1] = Row(0x80, 6, 2300, 'T');
  std::string file;
  for (const AlmanacRow& row : theirs)
    file.append(row.begin(), row.end());
  rig.dir.Write("alm.alm", file);
  rig.w.tables.savedAlmanac[0] = Row(0x80, 5, 2300, 'O');
  rig.w.tables.savedAlmanac[1] = Row(0x80, 5, 2300, 'O');
  SaveAlmanacBackup(rig.w.tables, rig.w.catalogueFolder, rig.w.ui, rig.w.language);
  const std::string saved = rig.dir.Read("alm.alm");
  ASSERT_EQ(saved.size(), 1344u);
  EXPECT_EQ(saved[41], 'O');
  EXPECT_EQ(saved[42 + 41], 'T');
  // What goes back into the receiver is the newest row too.
  EXPECT_EQ(rig.w.tables.savedAlmanac[1][41], 'T');
  EXPECT_TRUE(rig.ui.messages.empty());
}

// A dump record's data never spills out of its table row.
TEST(ParseDumpBytes, OverlongDataStaysInsideItsRow) {
  TableStore tables;
  // An almanac record with 300 data bytes: its row takes 42, the next row nothing.
  DumpParse parse =
      ParseDumpBytes(first_test::MakeDumpRecord(13, std::vector<std::uint8_t>(300, 0x66)), tables);
  EXPECT_EQ(parse.goodRecords, 1);
  EXPECT_EQ(tables.freshAlmanac[0][41], 0x66);
  EXPECT_EQ(tables.freshAlmanac[1], AlmanacRow{});
  // A doppler record beyond 130 bytes fills its row and nothing else.
  ParseDumpBytes(first_test::MakeDumpRecord(12, std::vector<std::uint8_t>(400, 0x77)), tables);
  EXPECT_EQ(tables.doppler[12][129], 0x77);
  EXPECT_EQ(tables.freshAlmanac[0][0], 0x66);
  EXPECT_EQ(tables.doppler[11], DopplerRow{});
}

}  // namespace
