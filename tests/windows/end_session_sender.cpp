// What the system does to kznload.exe, for run_gui_e2e.sh:
//
//   kzn_windows_end_session.exe --title MAIN [--status TEXT [--percent N]] [--wait] [--about]
//                               [--end | --cancel | --command N]
//
// A log-off: WM_QUERYENDSESSION to the main window titled MAIN, printing "query answered 0"
// (the program holds the log-off up) or "1"; then --end sends WM_ENDSESSION(TRUE) ("ended"),
// --cancel WM_ENDSESSION(FALSE) as when the user cancels the log-off ("cancelled"). --command N
// only posts WM_SYSCOMMAND N (the test display's window manager keeps Alt+Space for its own
// menu). --status first waits (at most two minutes) until the progress window shows TEXT and
// its percent, having started from 0%, reached N; --wait only waits. --about first picks About
// in the system menu. Exit status 2 when a window was not found in time or did not answer.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>

#include "app/win32/resource.h"

namespace {

constexpr DWORD kAnswerLimitMs = 20000;
constexpr int kFindLimitMs = 120000;
constexpr int kPollMs = 20;

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

// Polls `reached` until it is true or the find limit passes.
template <class Condition>
bool WaitFor(Condition reached) {
  for (int waited = 0; !reached(); waited += kPollMs) {
    if (waited >= kFindLimitMs) return false;
    Sleep(kPollMs);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::map<std::wstring, std::wstring> given;  // each option given, with its value
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool valued =
        arg == L"--title" || arg == L"--status" || arg == L"--percent" || arg == L"--command";
    const bool flag =
        arg == L"--end" || arg == L"--cancel" || arg == L"--wait" || arg == L"--about";
    if (!flag && !(valued && i + 1 < argc)) {
      std::fprintf(stderr,
                   "usage: --title MAIN [--status TEXT [--percent N]] [--wait] [--about] "
                   "[--end | --cancel | --command N]\n");
      return 2;
    }
    given[arg] = valued ? argv[++i] : L"";
  }
  const std::wstring title = given[L"--title"], status = given[L"--status"];
  const long percent = std::wcstol(given[L"--percent"].c_str(), nullptr, 10);
  const long command = std::wcstol(given[L"--command"].c_str(), nullptr, 10);
  const bool end = given.count(L"--end") != 0, cancel = given.count(L"--cancel") != 0;
  if (title.empty()) return 2;
  // The step's status line shows, its bar has started from 0 (a step's text comes before its
  // bar is reset, so the percent of the step before may still be there), and has reached
  // `percent`.
  bool started = false;
  const bool reached =
      status.empty() || WaitFor([&] {
        HWND progress = FindDialog(L"KZN GPS Receivers", IDC_STATUS_TEXT);
        if (progress == nullptr || ControlText(progress, IDC_STATUS_TEXT) != status) return false;
        const std::wstring text = ControlText(progress, IDC_PERCENT_TEXT);
        const long shown = text.empty() ? -1 : std::wcstol(text.c_str(), nullptr, 10);
        started = started || shown == 0;
        return started && shown >= percent;
      });
  if (!reached) {
    std::fprintf(stderr, "the progress window never reached the step\n");
    return 2;
  }
  if (given.count(L"--wait") != 0) return 0;
  HWND main = nullptr;
  if (!WaitFor([&] { return (main = FindDialog(title, IDC_START)) != nullptr; })) {
    std::fprintf(stderr, "no main window\n");
    return 2;
  }
  if (given.count(L"--about") != 0 || command != 0)
    PostMessageW(main, WM_SYSCOMMAND, command != 0 ? static_cast<WPARAM>(command) : IDM_ABOUT, 0);
  if (command != 0) return 0;
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
