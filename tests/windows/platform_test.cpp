// The Windows platform files: the settings file's lock, atomic replace, UTF-8 paths, the
// settings folder, the system's error texts and the upload's priority.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/atomic_file.h"
#include "base/earlier_settings.h"
#include "base/file_lock.h"
#include "base/open_failure.h"
#include "base/places.h"
#include "base/settings_store.h"
#include "base/system_error.h"
#include "base/wide_text.h"
#include "loader/first/priority.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  UniqueFile file = OpenFile(path, "rb");
  std::string content(4096, '\0');
  content.resize(file ? std::fread(content.data(), 1, content.size(), file.get()) : 0);
  return content;
}

// Names beside `keep` other than the file itself and its lock (a temporary file left behind).
std::vector<std::string> Leftovers(const TempDir& dir, const std::string& keep) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(WideFromUtf8(dir.Path())))) {
    const std::string name = Utf8FromWide(entry.path().filename().wstring());
    if (name != keep && name != keep + ".lock") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The folder the system gave is UTF-8; catalogues written on Windows name their files in
// Windows-1252. Each part of the path is read in its own encoding.
TEST(WindowsFiles, PathsReachTheFileTheUserNamedUtf8FoldersAnd1252FileNames) {
  TempDir dir;
  const std::string folder = dir.Path() + "\\R\u00e9cepteur \u65e5\u672c\\deep";  // UTF-8
  ASSERT_TRUE(MakeFolders(folder));
  const fs::path wide = fs::path(dir.Path()) / L"R\u00e9cepteur \u65e5\u672c" / L"deep";
  const std::string path = folder + "\\alm.alm";
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string_view("almanac")));
  EXPECT_TRUE(fs::exists(wide / L"alm.alm"));
  EXPECT_TRUE(IsExistingFile(path));
  EXPECT_FALSE(IsExistingFile(folder));
  EXPECT_EQ(Slurp(path), "almanac");
  const std::string named = folder +
                            "\\Version fran\xE7"
                            "aise.gb";
  ASSERT_TRUE(OpenFile(named, "wb"));
  EXPECT_TRUE(fs::exists(wide / L"Version fran\u00e7aise.gb"));
  EXPECT_TRUE(IsExistingFile(named));
  EXPECT_TRUE(OpenFile(named, "rb"));
}

// A replace leaves the old or the new content and no temporary file; a file held without
// sharing (an editor, a virus scanner) only delays it.
TEST(WindowsFiles, AReplaceLeavesEitherTheOldOrTheNewContentAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.Path() + "\\kznload.INI";
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string_view("old")));
  HANDLE held = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread letGo([held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CloseHandle(held);
  });
  EXPECT_TRUE(ReplaceFileAtomically(path, std::string_view("new content")));
  letGo.join();
  EXPECT_EQ(Slurp(path), "new content");
  EXPECT_TRUE(Leftovers(dir, "kznload.INI").empty());
  // A dump is flushed to the disk.
  UniqueFile dump = OpenFile(dir.File("dump"), "wb");
  ASSERT_TRUE(dump);
  std::fputs("tables", dump.get());
  EXPECT_TRUE(SyncToDisk(dump.get(), dir.Path()));
  EXPECT_FALSE(IsFolder(dump.get()));
  dump.reset();

  // A target that cannot be replaced (a folder of that name) fails, and the temporary
  // file goes.
  const std::string folder = dir.Path() + "\\taken";
  ASSERT_TRUE(MakeFolders(folder));
  EXPECT_FALSE(ReplaceFileAtomically(folder, std::string_view("lost?")));
  EXPECT_TRUE(fs::is_directory(fs::path(WideFromUtf8(folder))));
  EXPECT_EQ(Leftovers(dir, "kznload.INI"), (std::vector<std::string>{"dump", "taken"}));
  EXPECT_FALSE(ReplaceFileAtomically(dir.Path() + "\\missing\\x.INI", std::string_view("x")));
  EXPECT_FALSE(fs::exists(fs::path(dir.Path()) / "missing"));
}

TEST(WindowsFiles, FoldersOfWindowsPaths) {
  EXPECT_EQ(FolderOf("C:\\Users\\me\\kznload.INI"), "C:\\Users\\me");
  EXPECT_EQ(FolderOf("C:\\alm.alm"), "C:\\");
  EXPECT_EQ(FolderOf("C:/data/alm.alm"), "C:/data");
  EXPECT_EQ(FolderOf("alm.alm"), ".");
}

// The settings file lives in the user's application data folder; the classic program's are
// looked for where Windows kept them, the virtualised copy mirroring the Windows folder
// without its drive.
TEST(WindowsSettings, TheFileLivesInTheUsersApplicationDataFolderTheEarlierInWindowsOnes) {
  TempDir dir;
  wchar_t saved[32768];
  const DWORD savedLength = GetEnvironmentVariableW(L"APPDATA", saved, 32768);
  ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", WideFromUtf8(dir.Path()).c_str()));
  const std::string path = DefaultSettingsPath();
  SetEnvironmentVariableW(L"APPDATA", savedLength > 0 ? saved : nullptr);
  EXPECT_EQ(path, dir.Path() + "\\kznload.INI");
  ASSERT_TRUE(CSettingsStore(path).SetInt("COMMUNICATION", "PORT", 3));
  EXPECT_EQ(CSettingsStore(dir.Path() + "/kznload.INI").GetInt("COMMUNICATION", "PORT", 0), 3);

  wchar_t windows[MAX_PATH + 1], local[MAX_PATH + 1];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH + 1), 2u);
  ASSERT_GT(GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH + 1), 0u);
  const std::string folder = Utf8FromWide(windows);  // "C:\windows"
  EXPECT_EQ(EarlierSettingsPaths(),
            (std::vector<std::string>{
                Utf8FromWide(local) + "\\VirtualStore" + folder.substr(2) + "\\kznload.INI",
                folder + "\\kznload.INI"}));
}

// A technician's settings from the classic program (kept in the Windows folder, or in the copy
// the system's virtualisation made of it) come along once to the new place; the unfinished-load
// marker above all, or the next load would read an erased receiver afresh.
TEST(WindowsSettings, AFirstStartTakesTheEarlierSettingsOverOnce) {
  TempDir dir;
  const std::string settings = dir.Path() + "\\Roaming\\kznload.INI";
  const std::string virtualised = dir.File("virtualised.INI");
  const std::string windows = dir.File("windows.INI");
  const std::vector<std::string> earlier = {virtualised, windows};
  EXPECT_EQ(TakeOverEarlierSettings(settings, earlier), "");
  EXPECT_FALSE(IsExistingFile(settings)) << "nothing to take over makes no file";

  dir.Write("windows.INI", "[LAST_LOADING]\r\n2=-1\r\n[FILE_LOCATION]\r\nDIR=c:\\kzn\\\r\n");
  EXPECT_EQ(TakeOverEarlierSettings(settings, earlier), windows);
  EXPECT_EQ(CSettingsStore(settings).GetInt("LAST_LOADING", "2", 1), -1);
  EXPECT_EQ(CSettingsStore(settings).GetText("FILE_LOCATION", "DIR", ""), "c:\\kzn\\");
  EXPECT_TRUE(IsExistingFile(windows)) << "the earlier file stays";

  // Once there, the file is the program's own: nothing is taken over again.
  ASSERT_TRUE(CSettingsStore(settings).SetInt("LAST_LOADING", "2", 1));
  dir.Write("virtualised.INI", "[LAST_LOADING]\r\n2=-1\r\n");
  EXPECT_EQ(TakeOverEarlierSettings(settings, earlier), "");
  EXPECT_EQ(CSettingsStore(settings).GetInt("LAST_LOADING", "2", 0), 1);

  // The virtualised copy is what the classic program read last, when both are there.
  ASSERT_TRUE(DeleteFileW(WideFromUtf8(settings).c_str()));
  EXPECT_EQ(TakeOverEarlierSettings(settings, earlier), virtualised);
  EXPECT_EQ(Slurp(settings), "[LAST_LOADING]\r\n2=-1\r\n");
}

// The lock keeps a second holder waiting until the first lets go; writers at the same time,
// each change with its own lock handle, lose no key.
TEST(WindowsSettings, TheLockMakesWritersWaitAndNoKeyIsLost) {
  TempDir dir;
  const std::string path = dir.Path() + "\\kznload.INI";
  auto first = std::make_unique<CFileLock>();
  ASSERT_TRUE(first->Acquire(path + ".lock"));
  std::atomic<bool> secondHolds{false};
  std::thread second([&] { secondHolds = CFileLock().Acquire(path + ".lock"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(secondHolds.load());
  first.reset();
  second.join();
  EXPECT_TRUE(secondHolds.load());

  constexpr int kWriters = 4, kKeys = 15;
  auto key = [](int w, int k) { return std::to_string(w) + "_" + std::to_string(k); };
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      CSettingsStore store(path);
      for (int k = 0; k < kKeys; ++k)
        failures += store.SetInt("LAST_LOADING", key(w, k), k) ? 0 : 1;
    });
  }
  for (std::thread& writer : writers)
    writer.join();
  EXPECT_EQ(failures.load(), 0);
  CSettingsStore store(path);
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(store.GetInt("LAST_LOADING", key(w, k), -1), k) << key(w, k);
  }
}

// Another program reading the settings while this one changes them: on Windows an open
// file cannot be replaced, so the readers wait for the writer's lock and the writer for them.
TEST(WindowsSettings, ReadersNeitherBlockAWriterNorSeeAMissingKey) {
  TempDir dir;
  const std::string path = dir.Path() + "\\kznload.INI";
  ASSERT_TRUE(CSettingsStore(path).SetInt("LAST_LOADING", "1", 0));
  std::atomic<bool> writing{true};
  std::atomic<int> defaultsRead{0}, reads{0};
  std::thread reader([&] {
    CSettingsStore store(path);
    while (writing) {
      if (store.GetInt("LAST_LOADING", "1", -7) == -7) ++defaultsRead;
      ++reads;
    }
  });
  int failedWrites = 0;
  CSettingsStore store(path);
  for (int i = 1; i <= 150; ++i) {
    if (!store.SetInt("LAST_LOADING", "1", i % 2 == 0 ? 1 : -1)) ++failedWrites;
  }
  writing = false;
  reader.join();
  EXPECT_EQ(failedWrites, 0);
  EXPECT_EQ(defaultsRead.load(), 0);
  EXPECT_GT(reads.load(), 0);
}

TEST(WindowsPlaces, TheCatalogueFolderIsTheWorkingDirectoryByItsUnicodeName) {
  TempDir dir;
  const std::string folder = dir.Path() + "\\Catalogue \xC3\xA9t\xC3\xA9";
  ASSERT_TRUE(MakeFolders(folder));
  const std::string before = CurrentFolder();
  ASSERT_TRUE(SetCurrentDirectoryW(WideFromUtf8(folder).c_str()));
  const std::string taken = CurrentFolder();
  SetCurrentDirectoryW(WideFromUtf8(before).c_str());
  EXPECT_EQ(fs::path(WideFromUtf8(taken)), fs::canonical(fs::path(WideFromUtf8(folder))));
  EXPECT_EQ(DefaultFileFolder().back(), '\\');
}

TEST(WindowsErrors, TheSystemsOwnTextAndKind) {
  const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '.');
  EXPECT_EQ(KindOfSystemError(ERROR_ACCESS_DENIED), SystemErrorKind::kInUse);
  EXPECT_EQ(KindOfSystemError(ERROR_FILE_NOT_FOUND), SystemErrorKind::kNotFound);
  EXPECT_EQ(KindOfSystemError(ERROR_GEN_FAILURE), SystemErrorKind::kOther);
  // An unknown code still reads as something a user can report.
  EXPECT_FALSE(SystemErrorText(0x7FFF1234).empty());
  // A file that cannot be opened is told in the system's words, not the C library's.
  TempDir dir;
  const std::string missing = dir.File("chgt.cfg");
  EXPECT_EQ(DescribeOpenFailure(missing), missing + ": " + text);
}

TEST(WindowsPriority, TheUploadRaisesTheProcessAndPutsItBack) {
  const DWORD classBefore = GetPriorityClass(GetCurrentProcess());
  const int threadBefore = GetThreadPriority(GetCurrentThread());
  {
    CRaisedPriority raised;
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
  }
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), classBefore);
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), threadBefore);
}

}  // namespace
