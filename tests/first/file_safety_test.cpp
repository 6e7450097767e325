#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "loader/first/dump_parser.h"
#include "tests/first/first_rig.h"

namespace {

// alm.alm is replaced whole, or left as it was with message 113 when it cannot be written.
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
