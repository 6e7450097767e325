// The system's own words for an error it reported, and what kind of error it was, so that
// the texts built on them can add advice. An error code is errno on POSIX and the value of
// GetLastError() on Windows.
#pragma once

#include <string>

// The system's text for an error code, without a trailing line break or full stop.
std::string SystemErrorText(int errorCode);

// The code of the last failed system call on this thread (errno, or GetLastError()).
int LastSystemError();

enum class SystemErrorKind {
  kOther,
  kAccessDenied,  // the user may not open it (POSIX); on Windows also a port in use
  kInUse,         // another program holds it
  kNotFound,      // no such file or device
};

SystemErrorKind KindOfSystemError(int errorCode);
