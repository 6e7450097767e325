#include "base/atomic_file.h"

#include "base/path.h"

std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of(kPathSeparators);
  if (separator == std::string::npos) return ".";
  if (separator == 0) return path.substr(0, 1);
  // "C:\file" keeps the drive's root.
  if (separator == 2 && path[1] == ':' && kPathSeparators.size() > 1) return path.substr(0, 3);
  return path.substr(0, separator);
}
