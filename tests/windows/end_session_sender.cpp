// What the system does to kznload.exe when the user logs off, for run_gui_e2e.sh: sends
// WM_QUERYENDSESSION to the program's main window and prints its answer, "query answered 0"
// (the program holds the log-off up) or "query answered 1"; then, with --end,
// WM_ENDSESSION(TRUE), as the system does once the session ends for certain ("ended"), or
// with --cancel WM_ENDSESSION(FALSE), as it does when the user cancels the log-off
// ("cancelled").
//
//   kzn_windows_end_session.exe --title MAIN [--status TEXT [--percent N]] [--wait] [--about]
//                               [--end | --cancel]
//
// --status waits (at most two minutes) until the progress window's status line says TEXT
// and its percent text, having started from 0%, has reached N (--percent, 0 by default),
// then sends: a log-off in the middle of that step. --wait only waits, and sends nothing.
// --about first chooses About in the main window's system menu (as a click there would).
// Exit status 0 when the messages were answered, 2 when a window was not found in time or did
// not answer.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "app/win32/resource.h"

namespace {

constexpr DWORD kAnswerLimitMs = 20000;
constexpr int kFindLimitMs = 120000;
constexpr DWORD kPollMs = 20;

struct Search {
  const std::wstring* title;
  int controlId;
  HWND found;
};

// The top-level window titled `title` that has the control `controlId`: the main window and
// its boxes share their title, the progress window and a box over it may too.
HWND FindDialog(const std::wstring& title, int controlId) {
  Search search{&title, controlId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        if (*s->title != text || GetDlgItem(window, s->controlId) == nullptr) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Through the owning thread (WM_GETTEXT crosses processes), so the text is the control's own.
std::wstring ControlText(HWND dialog, int id) {
  wchar_t text[256] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(GetDlgItem(dialog, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                           SMTO_NORMAL, kAnswerLimitMs, &copied))
    return L"";
  return text;
}

// The step's status line shows, its bar has started from 0 (a step's text comes before its
// bar is reset, so the percent of the step before may still be there), and has reached
// `percent`.
class CStepWatch {
 public:
  CStepWatch(std::wstring status, int percent) : status_(std::move(status)), percent_(percent) {}

  bool Reached() {
    HWND progress = FindDialog(L"KZN GPS Receivers", IDC_STATUS_TEXT);
    if (progress == nullptr || ControlText(progress, IDC_STATUS_TEXT) != status_) return false;
    const std::wstring text = ControlText(progress, IDC_PERCENT_TEXT);
    if (text.empty()) return false;
    const long shown = std::wcstol(text.c_str(), nullptr, 10);
    if (shown == 0) started_ = true;
    return started_ && shown >= percent_;
  }

 private:
  std::wstring status_;
  int percent_;
  bool started_ = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring title;
  std::wstring status;
  int percent = 0;
  bool end = false;
  bool cancel = false;
  bool waitOnly = false;
  bool about = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--title" && i + 1 < argc) {
      title = argv[++i];
    } else if (arg == L"--status" && i + 1 < argc) {
      status = argv[++i];
    } else if (arg == L"--percent" && i + 1 < argc) {
      percent = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
    } else if (arg == L"--end") {
      end = true;
    } else if (arg == L"--cancel") {
      cancel = true;
    } else if (arg == L"--wait") {
      waitOnly = true;
    } else if (arg == L"--about") {
      about = true;
    } else {
      std::fprintf(stderr,
                   "usage: --title MAIN [--status TEXT [--percent N]] [--wait] [--about] "
                   "[--end | --cancel]\n");
      return 2;
    }
  }
  if (title.empty()) return 2;
  int waited = 0;
  CStepWatch step(status, percent);
  while (!status.empty() && !step.Reached()) {
    if (waited >= kFindLimitMs) {
      std::fprintf(stderr, "the progress window never reached the step\n");
      return 2;
    }
    Sleep(kPollMs);
    waited += static_cast<int>(kPollMs);
  }
  if (waitOnly) return 0;
  HWND main = FindDialog(title, IDC_START);
  if (main == nullptr) {
    std::fprintf(stderr, "no main window\n");
    return 2;
  }
  if (about) PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUT, 0);
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                           kAnswerLimitMs, &answer)) {
    std::fprintf(stderr, "WM_QUERYENDSESSION was not answered\n");
    return 2;
  }
  std::printf("query answered %d\n", answer != 0 ? 1 : 0);
  std::fflush(stdout);
  if (end || cancel) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(main, WM_ENDSESSION, end ? TRUE : FALSE, ENDSESSION_LOGOFF,
                             SMTO_NORMAL, kAnswerLimitMs, &ignored)) {
      std::fprintf(stderr, "WM_ENDSESSION was not answered\n");
      return 2;
    }
    std::printf(end ? "ended\n" : "cancelled\n");
  }
  return 0;
}
