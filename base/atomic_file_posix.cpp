#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/atomic_file.h"

namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  int dirFd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace

UniqueFile OpenFile(const std::string& path, const char* mode) {
  return UniqueFile(std::fopen(path.c_str(), mode));
}

bool ReplaceFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::string name = path + ".XXXXXX";
  int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  struct stat old {};
  mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(name.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int reason = errno;  // for the caller's message, not the clean-up's
    ::unlink(name.c_str());
    errno = reason;
    return false;
  }
  // The rename itself must survive a power cut too.
  SyncFolder(FolderOf(path));
  return true;
}

bool RenameFileOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  SyncFolder(FolderOf(to));
  return true;
}

void RemoveFile(const std::string& path) {
  ::unlink(path.c_str());
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty() || folder == "." || folder == "/") return true;
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  if (!MakeFolders(FolderOf(folder))) return false;
  return ::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

bool SyncToDisk(std::FILE* file, const std::string& folder) {
  if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0) return false;
  SyncFolder(folder);
  return true;
}

bool IsFolder(std::FILE* file) {
  struct stat info {};
  return ::fstat(::fileno(file), &info) != 0 || S_ISDIR(info.st_mode);
}

bool IsExistingFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
