#include "app/win32/wide_text.h"

#include <climits>

#include "base/display_text.h"

namespace {

std::wstring WideFrom(UINT codePage, std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
  return WideFrom(CP_UTF8, text);
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::wstring WideFromDisplayBytes(std::string_view bytes) {
  return WideFromUtf8(DisplayTextFromBytes(bytes.substr(0, bytes.find('\0'))));
}

std::wstring WideFromPath(std::string_view path) {
  return WideFrom(CP_ACP, path);
}

std::string PathFromWide(std::wstring_view path) {
  // A UTF-8 code page holds every character (and takes no default-character check).
  if (GetACP() == CP_UTF8) return Utf8FromWide(path);
  if (path.empty() || path.size() > INT_MAX) return std::string();
  const int size = static_cast<int>(path.size());
  BOOL lost = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), size, nullptr,
                                         0, nullptr, &lost);
  if (length <= 0 || lost) return std::string();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), size, bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}
