#include <windows.h>

#include "base/wide_text.h"

#include "base/display_text.h"
#include "base/path.h"

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  }
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
  }
  return narrow;
}

std::wstring WidePathFromBytes(std::string_view path) {
  std::wstring wide;
  std::size_t start = 0;
  for (;;) {
    const std::size_t separator = path.find_first_of(kPathSeparators, start);
    const std::string_view part = path.substr(start, separator - start);
    wide += WideFromUtf8(DisplayTextFromBytes(part));
    if (separator == std::string_view::npos) return wide;
    wide.push_back(static_cast<wchar_t>(path[separator]));
    start = separator + 1;
  }
}
