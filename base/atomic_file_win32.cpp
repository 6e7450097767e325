#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "base/atomic_file.h"
#include "base/wide_text.h"

namespace {

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

UniqueFile OpenFile(const std::string& path, const char* mode) {
  return UniqueFile(_wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str()));
}

bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring target = WideFromUtf8(path);
  // A name of our own beside the file: the process and thread make it unique among the
  // programs that may replace the same file at once (they also hold its lock).
  const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                                 std::to_wstring(GetCurrentThreadId()) + L".tmp";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (ok) {
    ok = MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty() || folder == "." || FolderOf(folder) == folder) return true;
  const std::wstring wide = WideFromUtf8(folder);
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
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
