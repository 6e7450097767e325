#include <windows.h>

#include <string>

#include "base/append_file.h"
#include "base/wide_text.h"

namespace {

OVERLAPPED At(LONGLONG offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

}  // namespace

bool AppendWholeLine(const std::string& path, std::string_view line) {
  // Shared with readers of the journal; the lock, not the sharing mode, keeps writers apart.
  HANDLE file = CreateFileW(WidePathFromBytes(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD reason = 0;
  LARGE_INTEGER size{};
  bool lineEnd = true;
  if (!GetFileSizeEx(file, &size)) {
    reason = GetLastError();
  } else if (size.QuadPart > 0) {
    char last = 0;
    DWORD read = 0;
    OVERLAPPED at = At(size.QuadPart - 1);
    if (!ReadFile(file, &last, 1, &read, &at)) {
      reason = GetLastError();
    } else if (read != 1) {
      reason = ERROR_READ_FAULT;
    }
    lineEnd = last == '\n';
  }
  if (reason == 0) {
    std::string whole;
    if (!lineEnd) whole.push_back('\n');
    whole.append(line);
    DWORD written = 0;
    OVERLAPPED at = At(size.QuadPart);
    if (!WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, &at)) {
      reason = GetLastError();
    } else if (written != whole.size()) {
      reason = ERROR_DISK_FULL;  // the disk took only part of it
    } else if (!FlushFileBuffers(file)) {
      reason = GetLastError();
    }
    // Half a line would join the next one: the file goes back to what it was.
    if (reason != 0 && written > 0 && SetFilePointerEx(file, size, nullptr, FILE_BEGIN))
      SetEndOfFile(file);
  }
  CloseHandle(file);
  SetLastError(reason);
  return reason == 0;
}
