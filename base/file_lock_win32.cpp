#include <windows.h>

#include "base/file_lock.h"
#include "base/wide_text.h"

CFileLock::~CFileLock() {
  Release();
}

bool CFileLock::Acquire(const std::string& lockPath) {
  Release();
  HANDLE file = CreateFileW(WideFromUtf8(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED whole{};
  // Without LOCKFILE_FAIL_IMMEDIATELY the call waits until the other program lets go.
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    CloseHandle(file);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

void CFileLock::Release() {
  if (handle_ == -1) return;
  HANDLE file = reinterpret_cast<HANDLE>(handle_);
  OVERLAPPED whole{};
  UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(file);
  handle_ = -1;
}
