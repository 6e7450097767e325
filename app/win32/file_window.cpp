#include "app/win32/file_window.h"

#include <commdlg.h>

#include <vector>

#include "app/file_window_filter.h"
#include "app/win32/window_text.h"
#include "base/wide_text.h"

namespace {

// Room for a long path; the window reports a longer choice as an error.
constexpr DWORD kPathRoom = 32768;

}  // namespace

std::wstring FileWindowFilter() {
  std::wstring filter = WideFromUtf8(kFileWindowFilterPairs);
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  return filter;
}

std::string AskFileToSend(HWND owner, const std::string& folder, Language language) {
  const std::wstring filter = FileWindowFilter();
  const std::wstring title = WideFromUtf8(LoadMessageText(kMsgFileWindowTitle, language));
  const std::wstring initialFolder = WidePathFromBytes(folder);
  std::vector<wchar_t> chosen(kPathRoom, L'\0');
  OPENFILENAMEW window{};
  window.lStructSize = sizeof window;
  window.hwndOwner = owner;
  window.lpstrFilter = filter.c_str();
  window.nFilterIndex = 1;
  window.lpstrFile = chosen.data();
  window.nMaxFile = kPathRoom;
  window.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  window.lpstrTitle = title.c_str();
  // Only an existing file can be sent; a typed name of none is refused in the window.
  window.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&window)) return std::string();
  return Utf8FromWide(chosen.data());
}
