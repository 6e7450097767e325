// The Windows program's conversions that need no window: the placement between the settings
// and the system, the file window's filter list, and the texts the windows show.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "app/win32/file_window.h"
#include "app/win32/placement.h"
#include "app/win32/window_text.h"

namespace {

// The stored flags and show command, and how the window opens: one closed minimised opens
// normal, or maximised when it was minimised from maximised.
TEST(WindowPlacementWin32, TheStoredShowCommandAndTheOneTheSystemGets) {
  const UINT cases[][3] = {{0, SW_SHOWNORMAL, SW_SHOWNORMAL},
                           {0, SW_SHOWMINIMIZED, SW_SHOWNORMAL},
                           {kPlacementRestoreToMaximized, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED},
                           {kPlacementRestoreToMaximized, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED}};
  for (const auto& [flags, show, opened] : cases) {
    const WindowPlacement stored = *ParseWindowPlacement(
        std::to_string(flags) + "," + std::to_string(show) + ",-1,-1,-8,-8,20,30,420,330");
    const WINDOWPLACEMENT system = SystemPlacementOf(stored);
    EXPECT_EQ(system.length, sizeof(WINDOWPLACEMENT));
    EXPECT_EQ(system.flags, flags == 0 ? 0u : static_cast<UINT>(WPF_RESTORETOMAXIMIZED));
    EXPECT_EQ(system.showCmd, opened) << flags << "," << show;
    const RECT& normal = system.rcNormalPosition;
    EXPECT_EQ((std::array{system.ptMinPosition.y, system.ptMaxPosition.x, normal.left, normal.top,
                          normal.right, normal.bottom}),
              (std::array<LONG, 6>{-1, -8, 20, 30, 420, 330}));
    // Back again, every number but the show command is what was stored.
    WindowPlacement again = StoredPlacementOf(system, flags != 0);
    again.showCommand = show;
    EXPECT_EQ(FormatWindowPlacement(again), FormatWindowPlacement(stored));
  }
  // What the system says of its flags is not what is stored: the window's state at close is.
  WINDOWPLACEMENT system{};
  system.flags = WPF_RESTORETOMAXIMIZED;
  EXPECT_EQ(StoredPlacementOf(system, false).flags, 0u);
}

// Label and pattern pairs ending with an empty pair; the labels' accents reach the window.
TEST(FileWindowFilter, OffersTheTwelveLanguagesAndAllFilesInPairs) {
  using namespace std::string_literals;
  const std::wstring filter = FileWindowFilter();
  EXPECT_EQ(std::count(filter.begin(), filter.end(), L'\0'), 27);
  EXPECT_EQ(filter.rfind(L"Version Fran\u00e7aise (*.fra)\0*.fra\0 Version Anglaise  (*.gb)\0"s, 0),
            0u);
  EXPECT_NE(filter.find(L"\0Version Indon\u00e9sienne  (*.ind)\0*.ind\0"s), std::wstring::npos);
  const std::wstring end = L"\0All Files (*.*)\0*.*\0\0"s;
  EXPECT_EQ(filter.substr(filter.size() - end.size()), end);
}

TEST(WindowText, CatalogueTextsIn1252OrUtf8AreShownAlikeAndEndAtANulByte) {
  EXPECT_EQ(WideFromDisplayBytes("Version fran\xE7"
                                 "aise"),
            L"Version fran\u00e7aise");
  EXPECT_EQ(WideFromDisplayBytes("Version fran\xC3\xA7"
                                 "aise"),
            L"Version fran\u00e7aise");
  EXPECT_EQ(WideFromDisplayBytes(std::string("V 2.31\0GARBAGE", 14)), L"V 2.31");
}

}  // namespace
