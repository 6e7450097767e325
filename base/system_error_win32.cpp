#include <windows.h>

#include "base/system_error.h"
#include "base/wide_text.h"

std::string SystemErrorText(int errorCode) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(errorCode), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result =
      length > 0 && text != nullptr ? Utf8FromWide(std::wstring_view(text, length)) : std::string();
  if (text != nullptr) LocalFree(text);
  // The system's texts end with ".\r\n"; the texts built on them add their own.
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  if (result.empty()) result = "error " + std::to_string(static_cast<unsigned long>(errorCode));
  return result;
}

int LastSystemError() {
  return static_cast<int>(GetLastError());
}

SystemErrorKind KindOfSystemError(int errorCode) {
  switch (static_cast<DWORD>(errorCode)) {
    // A COM port another program holds answers "access denied" to CreateFile.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return SystemErrorKind::kInUse;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_UNIT:
      return SystemErrorKind::kNotFound;
    default:
      return SystemErrorKind::kOther;
  }
}
