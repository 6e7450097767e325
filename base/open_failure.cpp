#include "base/open_failure.h"

#include <cerrno>

#include "base/atomic_file.h"
#include "base/system_error.h"

std::string DescribeOpenFailure(const std::string& path) {
  errno = 0;
  if (OpenFile(path, "rb") != nullptr) return path;
  // The system's own words (on Windows its message table, in the user's language).
  const int error = LastSystemError();
  return path + ": " + (error != 0 ? SystemErrorText(error) : "cannot be opened");
}
