#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_lock.h"

CFileLock::~CFileLock() {
  Release();
}

bool CFileLock::Acquire(const std::string& lockPath) {
  Release();
  // Readable and writable by every user the umask allows: a lock file left by one user (a
  // run under sudo) must not lock the others out of their settings.
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  // flock needs no write access: a lock file someone else owns still serves.
  if (fd < 0 && errno == EACCES) fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return false;
    }
  }
  handle_ = fd;
  return true;
}

bool CFileLock::AcquireShared(const std::string& lockPath) {
  Release();
  int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (::flock(fd, LOCK_SH) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return false;
    }
  }
  handle_ = fd;
  return true;
}

void CFileLock::Release() {
  if (handle_ < 0) return;
  const int fd = static_cast<int>(handle_);
  ::flock(fd, LOCK_UN);
  ::close(fd);
  handle_ = -1;
}
