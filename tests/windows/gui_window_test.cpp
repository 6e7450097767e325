// The Windows program's progress window as a load uses it, and what the session's end does to
// the boxes and windows open over the main window, with real windows: it needs a display, so
// run_gui_e2e.sh runs it on its Xvfb rather than ctest.
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
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
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

  // What a user's key press in the progress window would queue.
  static void PostKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }

  HWND owner_ = nullptr;
};

TEST_F(ProgressWindow, OpensOverItsOwnerWithTheCaptionAndTheCancelTextOfItsLanguage) {
  CProgressDlg english(Language::kEnglish);
  ASSERT_TRUE(english.OpenProgress(owner_, L"KZN GPS Receivers"));
  EXPECT_EQ(WindowTextOf(english.Window()), L"KZN GPS Receivers");
  EXPECT_EQ(WindowTextOf(GetDlgItem(english.Window(), IDCANCEL)), L"Cancel");
  EXPECT_EQ(GetWindow(english.Window(), GW_OWNER), owner_);
  english.CloseProgress();
  CProgressDlg french(Language::kFrench);
  ASSERT_TRUE(french.OpenProgress(owner_, L"Zephan GPS KZN"));
  EXPECT_EQ(WindowTextOf(GetDlgItem(french.Window(), IDCANCEL)), L"Annuler");
}

TEST_F(ProgressWindow, DisablesItsOwnerWhileOpenAndGivesItBackAtClose) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  EXPECT_FALSE(IsWindowEnabled(owner_));
  EXPECT_TRUE(IsWindowEnabled(progress.Window()));
  progress.CloseProgress();
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(progress.Window(), nullptr);
}

TEST_F(ProgressWindow, DestructionGivesTheOwnerBackToo) {
  {
    CProgressDlg progress(Language::kEnglish);
    ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  }
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(ProgressWindow, OwnerDisabledBeforeStaysDisabled) {
  EnableWindow(owner_, FALSE);
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  progress.CloseProgress();
  EXPECT_FALSE(IsWindowEnabled(owner_));
}

struct PercentCase {
  int position;
  const wchar_t* text;
};

class ProgressPercent : public ProgressWindow, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(ProgressPercent, ShowsThePercentOfThePosition) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  progress.SetProgressPosition(GetParam().position);
  EXPECT_EQ(progress.PercentText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Positions, ProgressPercent,
                         ::testing::Values(PercentCase{0, L"0%"}, PercentCase{37, L"37%"},
                                           PercentCase{100, L"100%"}, PercentCase{150, L"50%"},
                                           PercentCase{200, L"0%"}),
                         [](const ::testing::TestParamInfo<PercentCase>& c) {
                           return "At" + std::to_string(c.param.position);
                         });

TEST_F(ProgressWindow, MovesTheBarAndAnswersThePreviousPosition) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  EXPECT_EQ(progress.SetProgressPosition(40), 0);
  EXPECT_EQ(progress.Position(), 40);
  EXPECT_EQ(progress.SetProgressPosition(55), 40);
}

TEST_F(ProgressWindow, RewritesThePercentTextOnlyWhenItChanges) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  progress.SetProgressPosition(10);
  progress.SetProgressPosition(10);
  progress.SetProgressPosition(110);  // 10% again
  EXPECT_EQ(progress.PercentTextWrites(), 1);
  progress.SetProgressPosition(11);
  EXPECT_EQ(progress.PercentTextWrites(), 2);
}

TEST_F(ProgressWindow, ShowsTheStatusText) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  progress.SetProgressText(L"Reading receiver...");
  EXPECT_EQ(progress.StatusText(), L"Reading receiver...");
}

TEST_F(ProgressWindow, TwoClicksOnCancelBeforeAPollAreOneRequest) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  SendDlgItemMessageW(progress.Window(), IDCANCEL, BM_CLICK, 0, 0);
  SendDlgItemMessageW(progress.Window(), IDCANCEL, BM_CLICK, 0, 0);
  EXPECT_EQ(progress.PollCancel(), 1);
  EXPECT_EQ(progress.PollCancel(), 0);
  EXPECT_NE(progress.Window(), nullptr);
}

TEST_F(ProgressWindow, EscapeIsACancelRequestAndTheWindowStays) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  PostKey(GetDlgItem(progress.Window(), IDCANCEL), VK_ESCAPE);
  EXPECT_EQ(progress.PollCancel(), 1);
  EXPECT_TRUE(IsWindow(progress.Window()));
  EXPECT_TRUE(IsWindowVisible(progress.Window()));
}

TEST_F(ProgressWindow, TheCloseBoxIsACancelRequestAndTheWindowStays) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  PostMessageW(progress.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(progress.PollCancel(), 1);
  EXPECT_TRUE(IsWindow(progress.Window()));
}

TEST_F(ProgressWindow, TheOkCommandDoesNothing) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
  PostMessageW(progress.Window(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(progress.PollCancel(), 0);
  EXPECT_TRUE(IsWindow(progress.Window()));
}

TEST_F(ProgressWindow, ThePumpRunsTheOwnersPendingMessagesWithoutWaiting) {
  CProgressDlg progress(Language::kEnglish);
  ASSERT_TRUE(progress.OpenProgress(owner_, L"KZN GPS Receivers"));
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
  return MessageBoxRequest{messageId,
                           Language::kEnglish,
                           "text " + std::to_string(TextNumber(messageId, Language::kEnglish)),
                           "KZN LOAD",
                           style,
                           {}};
}

class SessionEnd : public ProgressWindow, public ::testing::WithParamInterface<OpenWindowCase> {
 protected:
  // Runs on the test's thread inside the open window's loop, as WM_ENDSESSION does.
  static void CALLBACK StopNow(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, stopTimer_);
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

  void SetUp() override {
    ProgressWindow::SetUp();
    ui_ = &ui;
    ui.SetOwner(owner_);
    ui.SetLanguage(Language::kEnglish);
    rescued_ = false;
    rescueTimer_ = SetTimer(nullptr, 0, 10000, Rescue);
  }
  void TearDown() override {
    KillTimer(nullptr, rescueTimer_);
    ui_ = nullptr;
    ProgressWindow::TearDown();
  }

  CWin32UserInteraction ui;
  static inline CWin32UserInteraction* ui_ = nullptr;
  static inline UINT_PTR stopTimer_ = 0;
  static inline UINT_PTR rescueTimer_ = 0;
  static inline bool rescued_ = false;
};

TEST_P(SessionEnd, TheStopEndsTheOpenWindowAndAnswersForTheUser) {
  stopTimer_ = SetTimer(nullptr, 0, 300, StopNow);
  EXPECT_EQ(GetParam().open(ui, owner_), GetParam().answer);
  EXPECT_FALSE(rescued_) << "the window stayed open after the stop";
  // From now on no box is shown at all: this one would hang until the rescue.
  EXPECT_EQ(ui.ShowMessageBox(Box(119, kStyleExclamation)), kResultOk);
  EXPECT_FALSE(rescued_) << "a box was shown after the stop";
  EXPECT_EQ(ui.PollCancel(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, SessionEnd,
    ::testing::Values(OpenWindowCase{"TheCancelQuestionIsConfirmed",
                                     [](CWin32UserInteraction& ui, HWND) {
                                       return ui.ShowMessageBox(Box(108, kStyleQuestion));
                                     },
                                     kResultYes},
                      // Either answer could lose a receiver's tables: none is given.
                      OpenWindowCase{"TheUnfinishedLoadQuestionIsLeftUnanswered",
                                     [](CWin32UserInteraction& ui, HWND) {
                                       return ui.ShowMessageBox(Box(134, kStyleQuestion));
                                     },
                                     kResultUnanswered},
                      OpenWindowCase{"ABadDumpStopsTheLoad",
                                     [](CWin32UserInteraction& ui, HWND) {
                                       return ui.ShowMessageBox(Box(115, kStyleQuestion));
                                     },
                                     kResultYes},
                      OpenWindowCase{"AnOutcomeBoxEnds",
                                     [](CWin32UserInteraction& ui, HWND) {
                                       return ui.ShowMessageBox(Box(123, kStyleInformation));
                                     },
                                     kResultOk},
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
