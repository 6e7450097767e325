// The Windows program's conversions that need no window: the placement between the settings
// and the system, the file window's filter list, and the texts the windows show.
#include <gtest/gtest.h>

#include <string>

#include "app/win32/file_window.h"
#include "app/win32/placement.h"
#include "app/win32/window_text.h"

namespace {

WindowPlacement Stored(unsigned flags, unsigned show) {
  WindowPlacement p;
  p.flags = flags;
  p.showCommand = show;
  p.minX = p.minY = p.maxX = p.maxY = -1;
  p.left = 10;
  p.top = 10;
  p.right = 400;
  p.bottom = 300;
  return p;
}

TEST(WindowPlacementWin32, StoredNormalPlacementReachesTheSystemUnchanged) {
  const WINDOWPLACEMENT system = SystemPlacementOf(Stored(0, SW_SHOWNORMAL));
  EXPECT_EQ(system.length, sizeof(WINDOWPLACEMENT));
  EXPECT_EQ(system.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(system.ptMinPosition.x, -1);
  EXPECT_EQ(system.rcNormalPosition.left, 10);
  EXPECT_EQ(system.rcNormalPosition.top, 10);
  EXPECT_EQ(system.rcNormalPosition.right, 400);
  EXPECT_EQ(system.rcNormalPosition.bottom, 300);
}

TEST(WindowPlacementWin32, WindowClosedMinimisedOpensNormal) {
  EXPECT_EQ(SystemPlacementOf(Stored(0, SW_SHOWMINIMIZED)).showCmd,
            static_cast<UINT>(SW_SHOWNORMAL));
}

TEST(WindowPlacementWin32, WindowMinimisedFromMaximisedOpensMaximised) {
  EXPECT_EQ(SystemPlacementOf(Stored(kPlacementRestoreToMaximized, SW_SHOWMINIMIZED)).showCmd,
            static_cast<UINT>(SW_SHOWMAXIMIZED));
}

TEST(WindowPlacementWin32, MaximisedWindowIsStoredWithFlagsTwoAndSurvivesTheRoundTrip) {
  WINDOWPLACEMENT system{};
  system.length = sizeof system;
  system.showCmd = SW_SHOWMAXIMIZED;
  system.ptMinPosition = POINT{-1, -1};
  system.ptMaxPosition = POINT{-8, -8};
  system.rcNormalPosition = RECT{20, 30, 420, 330};
  const WindowPlacement stored = StoredPlacementOf(system, true);
  EXPECT_EQ(FormatWindowPlacement(stored), "2,3,-1,-1,-8,-8,20,30,420,330");
  const std::optional<WindowPlacement> read = ParseWindowPlacement(FormatWindowPlacement(stored));
  ASSERT_TRUE(read.has_value());
  const WINDOWPLACEMENT again = SystemPlacementOf(*read);
  EXPECT_EQ(again.flags, static_cast<UINT>(WPF_RESTORETOMAXIMIZED));
  EXPECT_EQ(again.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
  EXPECT_EQ(again.ptMaxPosition.x, -8);
  EXPECT_EQ(again.rcNormalPosition.bottom, 330);
}

TEST(WindowPlacementWin32, NormalWindowIsStoredWithFlagsZero) {
  WINDOWPLACEMENT system{};
  system.showCmd = SW_SHOWNORMAL;
  system.flags = WPF_RESTORETOMAXIMIZED;  // what the system says is not what is stored
  EXPECT_EQ(StoredPlacementOf(system, false).flags, 0u);
}

// The filter as the open-file window reads it: label, pattern, ..., then an empty label.
std::vector<std::wstring> FilterParts() {
  const std::wstring filter = FileWindowFilter();
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  while (start < filter.size()) {
    const std::size_t end = filter.find(L'\0', start);
    if (end == start || end == std::wstring::npos) break;
    parts.push_back(filter.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

TEST(FileWindowFilter, OffersTheTwelveLanguagesAndAllFilesInPairs) {
  const std::vector<std::wstring> parts = FilterParts();
  ASSERT_EQ(parts.size(), 26u);
  EXPECT_EQ(parts[0], L"Version Fran\u00e7aise (*.fra)");
  EXPECT_EQ(parts[1], L"*.fra");
  EXPECT_EQ(parts[2], L" Version Anglaise  (*.gb)");
  EXPECT_EQ(parts[19], L"*.sue");
  EXPECT_EQ(parts[20], L"Version Indon\u00e9sienne  (*.ind)");
  EXPECT_EQ(parts[24], L"All Files (*.*)");
  EXPECT_EQ(parts[25], L"*.*");
}

TEST(FileWindowFilter, EndsWithTheEmptyPairThatClosesTheList) {
  const std::wstring filter = FileWindowFilter();
  ASSERT_GE(filter.size(), 2u);
  EXPECT_EQ(filter[filter.size() - 1], L'\0');
  EXPECT_EQ(filter[filter.size() - 2], L'\0');
}

TEST(WindowText, CatalogueNameInWindows1252IsShownWithItsAccent) {
  EXPECT_EQ(WideFromDisplayBytes("Version fran\xE7"
                                 "aise"),
            L"Version fran\u00e7aise");
}

TEST(WindowText, CatalogueNameInUtf8IsShownAsUtf8) {
  EXPECT_EQ(WideFromDisplayBytes("Version fran\xC3\xA7"
                                 "aise"),
            L"Version fran\u00e7aise");
}

TEST(WindowText, VersionTextEndsAtItsNulByte) {
  EXPECT_EQ(WideFromDisplayBytes(std::string("V 2.31\0GARBAGE", 14)), L"V 2.31");
}

}  // namespace
