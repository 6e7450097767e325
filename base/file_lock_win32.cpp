#include <windows.h>

#include "base/file_lock.h"
#include "base/wide_text.h"

namespace {

// The lock file opened as `disposition` says and locked with `flags`; -1 when it cannot be.
std::intptr_t Lock(const std::string& lockPath, DWORD disposition, DWORD flags) {
  HANDLE file = CreateFileW(WidePathFromBytes(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  OVERLAPPED whole{};
  // Without LOCKFILE_FAIL_IMMEDIATELY the call waits until the other program lets go.
  if (!LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &whole)) {
    CloseHandle(file);
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(file);
}

}  // namespace

CFileLock::~CFileLock() {
  Release();
}

bool CFileLock::Acquire(const std::string& lockPath) {
  Release();
  handle_ = Lock(lockPath, OPEN_ALWAYS, LOCKFILE_EXCLUSIVE_LOCK);
  return handle_ != -1;
}

bool CFileLock::AcquireShared(const std::string& lockPath) {
  Release();
  handle_ = Lock(lockPath, OPEN_EXISTING, 0);
  return handle_ != -1;
}

void CFileLock::Release() {
  if (handle_ == -1) return;
  HANDLE file = reinterpret_cast<HANDLE>(handle_);
  OVERLAPPED whole{};
  UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(file);
  handle_ = -1;
}
