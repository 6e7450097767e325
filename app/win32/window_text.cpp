#include "app/win32/window_text.h"

#include "base/display_text.h"
#include "base/wide_text.h"

std::wstring WideFromDisplayBytes(std::string_view bytes) {
  return WideFromUtf8(DisplayTextFromBytes(bytes.substr(0, bytes.find('\0'))));
}

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}
