#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "base/atomic_file.h"
#include "base/wide_text.h"

namespace {

// How long a file another program holds is waited for, and in what steps.
constexpr DWORD kBusyLimitMs = 2000;
constexpr DWORD kBusyStepMs = 20;

bool IsBusy(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool IsFolderPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// A file opened only to be read lets others rename or replace it meanwhile, as a POSIX
// reader does: another program's settings change must not fail because this one reads.
// A file someone holds without sharing (an editor, a virus scanner) is waited for a while.
UniqueFile OpenFile(const std::string& path, const char* mode) {
  const std::wstring wide = WidePathFromBytes(path);
  if (std::string_view(mode) != "rb" && std::string_view(mode) != "r") {
    return UniqueFile(_wfopen(wide.c_str(), WideFromUtf8(mode).c_str()));
  }
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (DWORD waited = 0;; waited += kBusyStepMs) {
    handle = CreateFileW(wide.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || !IsBusy(GetLastError()) || waited >= kBusyLimitMs) {
      break;
    }
    Sleep(kBusyStepMs);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
            : error == ERROR_ACCESS_DENIED || IsBusy(error)                ? EACCES
                                                                           : EIO;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) _close(fd);
  return UniqueFile(file);
}

bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring target = WidePathFromBytes(path);
  // A name of our own beside the file: the process and thread make it unique among the
  // programs that may replace the same file at once (they also hold its lock).
  const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                                 std::to_wstring(GetCurrentThreadId()) + L".tmp";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  // A reader that does not share deletion (or a scanner looking at the file) makes the
  // replace fail for as long as it holds the file: try again for a while.
  for (DWORD waited = 0; ok; waited += kBusyStepMs) {
    if (MoveFileExW(temporary.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      break;
    }
    const DWORD error = GetLastError();
    ok = (error == ERROR_ACCESS_DENIED || IsBusy(error)) && waited < kBusyLimitMs &&
         !IsFolderPath(target);
    if (ok) Sleep(kBusyStepMs);
  }
  if (!ok) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty() || folder == "." || FolderOf(folder) == folder) return true;
  const std::wstring wide = WidePathFromBytes(folder);
  if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return IsFolderPath(wide);
  if (!MakeFolders(FolderOf(folder))) return false;
  return CreateDirectoryW(wide.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Windows writes a file's name with its metadata: flushing the file is flushing both.
bool SyncToDisk(std::FILE* file, const std::string& folder) {
  (void)folder;
  if (std::fflush(file) != 0) return false;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

// _wfopen refuses folders, so an open file is never one.
bool IsFolder(std::FILE* file) {
  (void)file;
  return false;
}

bool IsExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePathFromBytes(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RenameFileOver(const std::string& from, const std::string& to) {
  return MoveFileExW(WidePathFromBytes(from).c_str(), WidePathFromBytes(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void RemoveFile(const std::string& path) {
  DeleteFileW(WidePathFromBytes(path).c_str());
}
