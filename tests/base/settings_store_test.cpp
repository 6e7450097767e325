#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/window_settings.h"
#include "base/messages.h"
#include "base/settings_store.h"
#include "loader/first/last_loading.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace {

// Runs `work` in a child process, which exits 0 when it returns true.
template <class Work>
pid_t StartChild(Work work) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(work() ? 0 : 1);
  return child;
}
bool ChildSucceeded(pid_t child) {
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

TEST(SettingsStore, MissingFileAndKeysGiveTheDefaultsAndFirstWriteMakesTheFolder) {
  TempDir dir;
  CSettingsStore store(dir.File("deep/er/kznload.INI"));
  EXPECT_EQ(store.GetInt("LANGUAGE", "TYPE_LANG", -1), -1);
  EXPECT_EQ(store.GetText("FILE_LOCATION", "DIR", "c:\\"), "c:\\");
  ASSERT_TRUE(store.SetInt("COMMUNICATION", "PORT", 2));
  EXPECT_EQ(dir.Read("deep/er/kznload.INI"), "[COMMUNICATION]\nPORT=2\n");
  EXPECT_EQ(store.GetInt("communication", "port", 1), 2);
  EXPECT_EQ(store.GetInt("COMMUNICATION", "OTHER", 9), 9);
}

TEST(SettingsStore, ReadsLikeAPrivateProfile) {
  const std::string content =
      "; comment\n[Language]\n type_lang = 1 \n[LANGUAGE]\nTYPE_LANG=0\n"
      "[UIMODE]\nTYPE_UI=+12abc\nEMPTY=\nWORD=abc\nNEG=-3\nBIG=4294967295\n"
      "[FILE_LOCATION]\r\nDIR=/home/u/\r\nDIR=/second/\r\n";
  EXPECT_EQ(FindProfileValue(content, "LANGUAGE", "TYPE_LANG"), "1");
  for (auto [key, value] :
       {std::pair{"TYPE_UI", 12}, {"EMPTY", 0}, {"WORD", 0}, {"NEG", -3}, {"BIG", -1}})
    EXPECT_EQ(ParseProfileInt(*FindProfileValue(content, "UIMODE", key)), value) << key;
  EXPECT_EQ(FindProfileValue(content, "FILE_LOCATION", "DIR"), "/home/u/");
  EXPECT_FALSE(FindProfileValue(content, "FILE_LOCATION", "FILE").has_value());
  EXPECT_FALSE(FindProfileValue(content, "NOPE", "DIR").has_value());
}

TEST(SettingsStore, AWriteKeepsEveryOtherLineCommentAndOrder) {
  const std::string content = "; kept\n[A]\nx=1\n\n; inside\ny=2\n\n[B]\nz=3\n[a]\nx=ignored\n";
  EXPECT_EQ(ReplaceProfileValue(content, "a", "X", "9"),
            "; kept\n[A]\nx=9\n\n; inside\ny=2\n\n[B]\nz=3\n[a]\nx=ignored\n");
  EXPECT_EQ(ReplaceProfileValue(content, "A", "new", "v"),
            "; kept\n[A]\nx=1\n\n; inside\ny=2\nnew=v\n\n[B]\nz=3\n[a]\nx=ignored\n");
  EXPECT_EQ(ReplaceProfileValue(content, "C", "k", "v"), content + "[C]\nk=v\n");
  EXPECT_EQ(ReplaceProfileValue("[A]\r\nx=1\r\n", "A", "x", "2"), "[A]\r\nx=2\r\n");
  EXPECT_EQ(ReplaceProfileValue("[A]\nx=1", "A", "x", "2"), "[A]\nx=2\n");
  EXPECT_EQ(ReplaceProfileValue("[A]\nx=1", "A", "y", "2"), "[A]\nx=1\ny=2\n");
  EXPECT_EQ(ReplaceProfileValue("no newline", "S", "k", "v"), "no newline\n[S]\nk=v\n");
}

TEST(SettingsStore, ALineBreakInAValueCannotMakeOrChangeAnotherKey) {
  TempDir dir;
  CSettingsStore store(dir.File("kznload.INI"));
  ASSERT_TRUE(store.SetInt("LANGUAGE", "TYPE_LANG", 1));
  ASSERT_TRUE(store.SetText("FILE_LOCATION", "FILE", "a.fra\n[LANGUAGE]\nTYPE_LANG=0"));
  ASSERT_TRUE(store.SetText("FILE_LOCATION", "DIR", "/x/\r\nREC=5"));
  EXPECT_EQ(store.GetInt("LANGUAGE", "TYPE_LANG", -1), 1);
  EXPECT_EQ(store.GetText("FILE_LOCATION", "FILE", ""), "a.fra");
  EXPECT_EQ(store.GetText("FILE_LOCATION", "DIR", ""), "/x/");
  EXPECT_EQ(store.GetInt("FILE_LOCATION", "REC", -9), -9);
  // Names are ours, but a bad one must not write anything either.
  EXPECT_FALSE(store.SetText("A]\n[B", "k", "v"));
  EXPECT_FALSE(store.SetText("A", "k=x", "v"));
}

TEST(SettingsStore, AFullDiskLeavesTheOldFileWholeAndNoTemporaryFileBehind) {
  TempDir dir;
  const std::string path = dir.File("kznload.INI");
  CSettingsStore store(path);
  ASSERT_TRUE(store.SetText("FILE_LOCATION", "DIR", "/home/user/"));
  ASSERT_TRUE(store.SetInt("LANGUAGE", "TYPE_LANG", 1));
  const std::string before = dir.Read("kznload.INI");
  EXPECT_TRUE(ChildSucceeded(StartChild([&] {
    // A file-size limit makes the write fail the way a full disk does, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = 64;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return !CSettingsStore(path).SetText("FILE_LOCATION", "FILE", std::string(200, 'f'));
  }))) << "the write did not report failure";
  EXPECT_EQ(dir.Read("kznload.INI"), before);
  // The file and its lock file, no temporary file.
  namespace fs = std::filesystem;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
  EXPECT_EQ(store.GetInt("LANGUAGE", "TYPE_LANG", -1), 1);
}

TEST(SettingsStore, TwoProcessesWritingAtOnceKeepEachOthersKeys) {
  TempDir dir;
  const std::string path = dir.File("kznload.INI");
  constexpr int kKeys = 40;
  auto key = [](int c, int i) { return std::to_string(c) + "_" + std::to_string(i); };
  auto writer = [&](int c) {
    return StartChild([&, c] {
      CSettingsStore store(path);
      bool ok = true;
      for (int i = 0; i < kKeys; ++i)
        ok = store.SetInt("LAST_LOADING", key(c, i), i) && ok;
      return ok;
    });
  };
  for (pid_t child : {writer(0), writer(1)})
    EXPECT_TRUE(ChildSucceeded(child));
  CSettingsStore store(path);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kKeys; ++i)
      EXPECT_EQ(store.GetInt("LAST_LOADING", key(c, i), -1), i) << key(c, i);
  }
}

TEST(WindowPlacement, UsedOnlyWhenAllTenNumbersRead) {
  const WindowPlacement q{.flags = kPlacementRestoreToMaximized,
                          .showCommand = 3,
                          .left = 5,
                          .top = 6,
                          .right = 700,
                          .bottom = 500};
  EXPECT_EQ(FormatWindowPlacement(q), "2,3,0,0,0,0,5,6,700,500");
  // Read as written: each number in its own place.
  const std::string text = "0,1,-1,-2,-3,-4,10,11,400,300";
  EXPECT_EQ(FormatWindowPlacement(ParseWindowPlacement(text).value()), text);
  for (const char* bad : {"0,1,10,10", "", "0,1,-1,-1,-1,-1,10,10,400,x"})
    EXPECT_FALSE(ParseWindowPlacement(bad).has_value()) << bad;
  TempDir dir;
  CSettingsStore store(dir.File("kznload.INI"));
  EXPECT_FALSE(ReadWindowPlacement(store).has_value());
  WriteWindowPlacement(store, q);
  EXPECT_EQ(FormatWindowPlacement(ReadWindowPlacement(store).value()), FormatWindowPlacement(q));
}

TEST(PortSwap, StoresTheOtherVisiblePortAndLeavesOthersAlone) {
  TempDir dir;
  CSettingsStore store(dir.File("kznload.INI"));
  int offered = store.GetInt("COMMUNICATION", "PORT", 1);
  std::vector<int> seen;
  for (int start = 0; start < 3; ++start) {  // three starts, each ended without the close command
    seen.push_back(offered);
    StoreSwappedPort(store, offered);
    offered = store.GetInt("COMMUNICATION", "PORT", 1);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 1}));
  for (int port : {3, 4, 0, 9}) {
    store.SetInt("COMMUNICATION", "PORT", port);
    StoreSwappedPort(store, port);
    EXPECT_EQ(store.GetInt("COMMUNICATION", "PORT", 1), port);
  }
}

TEST(LastLoadingMarker, AsksOnlyForAnUnfinishedLoadOnTheSamePort) {
  TempDir dir;
  CSettingsStore store(dir.File("kznload.INI"));
  RecordingUi ui;
  EXPECT_EQ(CheckLastLoadingMarker(store, ui, Language::kFrench, 1), 1);
  SetLastLoadingMarker(store, 2, -1);
  EXPECT_EQ(store.GetInt("LAST_LOADING", "2", 0), -1);
  EXPECT_EQ(CheckLastLoadingMarker(store, ui, Language::kFrench, 1), 1);
  EXPECT_TRUE(ui.messages.empty());
  ui.answers = {kResultYes, kResultNo, 2};
  EXPECT_EQ(CheckLastLoadingMarker(store, ui, Language::kFrench, 2), -1);
  EXPECT_EQ(CheckLastLoadingMarker(store, ui, Language::kFrench, 2), 1);
  EXPECT_EQ(CheckLastLoadingMarker(store, ui, Language::kFrench, 2), 1);
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(std::pair(ui.messages[0].textNumber, ui.messages[0].style),
            std::pair(TextNumber(kMsgLastLoadingUnfinished, Language::kFrench), kStyleQuestion));
  SetLastLoadingMarker(store, 2, 0);
  EXPECT_EQ(store.GetInt("LAST_LOADING", "2", 0), 1);
  SetLastLoadingMarker(store, 2, 1);
  EXPECT_EQ(store.GetInt("LAST_LOADING", "2", 0), 1);
}

}  // namespace
