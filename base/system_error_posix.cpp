#include <cerrno>
#include <cstring>

#include "base/system_error.h"

std::string SystemErrorText(int errorCode) {
  char buffer[256];
  // The GNU strerror_r returns the text, which need not be in `buffer`.
  return strerror_r(errorCode, buffer, sizeof buffer);
}

int LastSystemError() {
  return errno;
}

SystemErrorKind KindOfSystemError(int errorCode) {
  switch (errorCode) {
    case EACCES:
    case EPERM:
      return SystemErrorKind::kAccessDenied;
    case EBUSY:
      return SystemErrorKind::kInUse;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return SystemErrorKind::kNotFound;
    default:
      return SystemErrorKind::kOther;
  }
}
