#include "base/open_failure.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/atomic_file.h"

std::string DescribeOpenFailure(const std::string& path) {
  errno = 0;
  if (OpenFile(path, "rb") != nullptr) return path;
  const int error = errno;
  return path + ": " + (error != 0 ? std::strerror(error) : "cannot be opened");
}
