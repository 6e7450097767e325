#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/append_file.h"

namespace {

// Whether the file `fd` is empty or ends with a line end.
bool EndsWithLineEnd(int fd, off_t size, bool* ends) {
  *ends = true;
  if (size == 0) return true;
  char last = 0;
  ssize_t n = 0;
  do {
    n = ::pread(fd, &last, 1, size - 1);
  } while (n < 0 && errno == EINTR);
  if (n != 1) return false;
  *ends = last == '\n';
  return true;
}

}  // namespace

bool AppendWholeLine(const std::string& path, std::string_view line) {
  // Not O_APPEND: the size is read before the write, so that a write cut short can be taken
  // back; every writer holds the lock, so the end does not move meanwhile.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  int reason = 0;
  struct stat st {};
  bool lineEnd = true;
  if (::fstat(fd, &st) != 0) {
    reason = errno;
  } else if (!S_ISREG(st.st_mode)) {
    reason = EINVAL;
  } else if (!EndsWithLineEnd(fd, st.st_size, &lineEnd)) {
    reason = errno != 0 ? errno : EIO;
  }
  if (reason == 0) {
    std::string whole;
    if (!lineEnd) whole.push_back('\n');
    whole.append(line);
    ssize_t n = 0;
    do {
      n = ::pwrite(fd, whole.data(), whole.size(), st.st_size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      reason = errno;
    } else if (static_cast<std::size_t>(n) != whole.size()) {
      reason = ENOSPC;  // the disk took only part of it
    } else if (::fsync(fd) != 0) {
      reason = errno;
    }
    // Half a line would join the next one: the file goes back to what it was.
    if (reason != 0 && n > 0 && ::ftruncate(fd, st.st_size) == 0) ::fsync(fd);
  }
  if (::close(fd) != 0 && reason == 0) reason = errno;
  errno = reason;
  return reason == 0;
}
