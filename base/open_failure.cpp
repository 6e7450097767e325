#include "base/open_failure.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string DescribeOpenFailure(const std::string& path) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file != nullptr) {
    std::fclose(file);
    return path;
  }
  const int error = errno;
  return path + ": " + (error != 0 ? std::strerror(error) : "cannot be opened");
}
