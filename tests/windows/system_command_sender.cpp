// A pick in kznload.exe's system menu, for run_gui_e2e.sh: posts WM_SYSCOMMAND with the
// entry's command number to the main window (the window manager of the test display keeps
// Alt+Space for its own menu, so the system menu cannot be opened from the keyboard there).
//
//   kzn_windows_system_command.exe --title MAIN --command N
//
// Exit status 0 once posted, 2 when no main window of that title came within 20 s.
#include <windows.h>

#include <cwchar>
#include <string>

#include "app/win32/resource.h"

namespace {

struct Search {
  const std::wstring* title;
  HWND found;
};

// The top-level window with that title and a start button: the main window, not a box.
HWND FindMainWindow(const std::wstring& title) {
  Search search{&title, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        if (*s->title != text || GetDlgItem(window, IDC_START) == nullptr) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  std::wstring title;
  WPARAM command = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::wcscmp(argv[i], L"--title") == 0) title = argv[i + 1];
    if (std::wcscmp(argv[i], L"--command") == 0)
      command = static_cast<WPARAM>(std::wcstoul(argv[i + 1], nullptr, 10));
  }
  for (int waited = 0; waited < 20000; waited += 100) {
    if (HWND main = FindMainWindow(title); main != nullptr) {
      PostMessageW(main, WM_SYSCOMMAND, command, 0);
      return 0;
    }
    Sleep(100);
  }
  return 2;
}
