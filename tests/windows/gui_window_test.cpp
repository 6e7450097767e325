// The Windows program's progress window as a load uses it, and what the session's end does to
// the boxes and windows open over the main window, with real windows: it needs a display, so
// run_gui_e2e.sh runs it on its Xvfb rather than ctest. (The percent rule itself is the one
// base/progress gives every front end, tested with it.)
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "app/win32/about_dlg.h"
#include "app/win32/language_dlg.h"
#include "app/win32/progress_dlg.h"
#include "app/win32/resource.h"
#include "app/win32/win32_user_interaction.h"
#include "app/win32/window_text.h"

namespace {

class ProgressWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                             200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    if (owner_ != nullptr) DestroyWindow(owner_);
  }

  HWND owner_ = nullptr;
};

TEST_F(ProgressWindow, OpensOverItsOwnerHeldDisabledUntilItsCloseOrDestruction) {
  CProgressDlg english(Language::kEnglish);
  ASSERT_TRUE(english.OpenProgress(owner_, L"KZN GPS Receivers"));
  EXPECT_EQ(WindowTextOf(english.Window()), L"KZN GPS Receivers");
  EXPECT_EQ(WindowTextOf(GetDlgItem(english.Window(), IDCANCEL)), L"Cancel");
  EXPECT_EQ(GetWindow(english.Window(), GW_OWNER), owner_);
  EXPECT_EQ((std::pair<bool, bool>(IsWindowEnabled(owner_), IsWindowEnabled(english.Window()))),
            std::pair(false, true));
  english.CloseProgress();
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(english.Window(), nullptr);
  {
    CProgressDlg french(Language::kFrench);
    ASSERT_TRUE(french.OpenProgress(owner_, L"Zephan GPS KZN"));
    EXPECT_EQ(WindowTextOf(GetDlgItem(french.Window(), IDCANCEL)), L"Annuler");
  }
  EXPECT_TRUE(IsWindowEnabled(owner_));
  // An owner disabled before stays disabled.
  EnableWindow(owner_, FALSE);
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  progress.CloseProgress();
  EXPECT_FALSE(IsWindowEnabled(owner_));
}

TEST_F(ProgressWindow, ShowsStatusBarAndPercentRewritingTheTextOnlyWhenItChanges) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  progress.SetProgressText(L"Reading receiver...");
  EXPECT_EQ(progress.StatusText(), L"Reading receiver...");
  EXPECT_EQ(progress.SetProgressPosition(10), 0);
  EXPECT_EQ(progress.SetProgressPosition(10), 10);
  EXPECT_EQ(progress.Position(), 10);
  EXPECT_EQ(progress.SetProgressPosition(110), 10);  // 10% again
  EXPECT_EQ(std::pair(progress.PercentText(), progress.PercentTextWrites()),
            std::pair(std::wstring(L"10%"), 1));
  progress.SetProgressPosition(11);
  EXPECT_EQ(std::pair(progress.PercentText(), progress.PercentTextWrites()),
            std::pair(std::wstring(L"11%"), 2));
}

// Two clicks before a poll, Escape and the close box are each one request; the window stays.
// OK is no request. The pump takes the owner's pending messages without waiting.
TEST_F(ProgressWindow, EveryCancelGestureIsOneRequestAndThePumpNeverWaits) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  const HWND window = progress.Window();
  SendDlgItemMessageW(window, IDCANCEL, BM_CLICK, 0, 0);
  SendDlgItemMessageW(window, IDCANCEL, BM_CLICK, 0, 0);
  EXPECT_EQ(progress.PollCancel(), 1);
  EXPECT_EQ(progress.PollCancel(), 0);
  PostMessageW(GetDlgItem(window, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageW(GetDlgItem(window, IDCANCEL), WM_KEYUP, VK_ESCAPE, 0xC0000001);
  EXPECT_EQ(progress.PollCancel(), 1);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(progress.PollCancel(), 1);
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(progress.PollCancel(), 0);
  EXPECT_EQ(progress.Window(), window);
  EXPECT_TRUE(IsWindowVisible(window));
  PostMessageW(owner_, WM_SETTEXT, 0, 0);  // harmless for a static: only that it is taken
  progress.PumpPendingMessages();
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE));
}

// The session ends while a box or window is open over the main window (a load runs beneath
// it, or the window is about to save and end): the stop ends it, so that its loop returns,
// and answers as nobody is there to answer.
struct OpenWindowCase {
  const char* name;
  std::function<int(CWin32UserInteraction&, HWND owner)> open;
  int answer;
};

MessageBoxRequest Box(int messageId, int style) {
  const std::string text = "text " + std::to_string(TextNumber(messageId, Language::kEnglish));
  return MessageBoxRequest{messageId, Language::kEnglish, text, "KZN LOAD", style, {}};
}

OpenWindowCase BoxCase(const char* name, int messageId, int style, int answer) {
  return {name,
          [=](CWin32UserInteraction& ui, HWND) { return ui.ShowMessageBox(Box(messageId, style)); },
          answer};
}

class SessionEnd : public ProgressWindow, public ::testing::WithParamInterface<OpenWindowCase> {
 protected:
  // Runs on the test's thread inside the open window's loop, as WM_ENDSESSION does.
  static void CALLBACK StopNow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    ui_->RequestStop();
  }
  // Only when the stop left a window open: ends every dialog of the thread, so that a
  // failing test fails rather than hangs.
  static void CALLBACK Rescue(HWND, UINT, UINT_PTR, DWORD) {
    rescued_ = true;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
          EndDialog(window, IDCANCEL);
          return TRUE;
        },
        0);
  }

  static inline CWin32UserInteraction* ui_ = nullptr;
  static inline bool rescued_ = false;
};

TEST_P(SessionEnd, TheStopEndsTheOpenWindowAndAnswersForTheUser) {
  CWin32UserInteraction ui;
  ui_ = &ui;
  ui.SetOwner(owner_);
  ui.SetLanguage(Language::kEnglish);
  rescued_ = false;
  const UINT_PTR rescue = SetTimer(nullptr, 0, 10000, Rescue);
  const UINT_PTR stop = SetTimer(nullptr, 0, 300, StopNow);
  EXPECT_EQ(GetParam().open(ui, owner_), GetParam().answer);
  EXPECT_FALSE(rescued_) << "the window stayed open after the stop";
  // From now on no box is shown at all: this one would hang until the rescue.
  EXPECT_EQ(ui.ShowMessageBox(Box(119, kStyleExclamation)), kResultOk);
  EXPECT_FALSE(rescued_) << "a box was shown after the stop";
  EXPECT_EQ(ui.PollCancel(), 1);
  KillTimer(nullptr, stop);
  KillTimer(nullptr, rescue);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, SessionEnd,
    ::testing::Values(BoxCase("TheCancelQuestionIsConfirmed", 108, kStyleQuestion, kResultYes),
                      // Either answer could lose a receiver's tables: none is given.
                      BoxCase("TheUnfinishedLoadQuestionIsLeftUnanswered", 134, kStyleQuestion,
                              kResultUnanswered),
                      BoxCase("AnOutcomeBoxEnds", 123, kStyleInformation, kResultOk),
                      OpenWindowCase{"TheAboutWindowEnds",
                                     [](CWin32UserInteraction&, HWND owner) {
                                       ShowAbout(owner);
                                       return 0;
                                     },
                                     0},
                      OpenWindowCase{"TheLanguageWindowEndsWithoutAChoice",
                                     [](CWin32UserInteraction&, HWND owner) {
                                       return AskLanguage(owner).has_value() ? 1 : 0;
                                     },
                                     0}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
