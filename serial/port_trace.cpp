#include "serial/port_trace.h"

#include <cstdio>
#include <mutex>

#include "base/system_error.h"

namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

}  // namespace

void SetPortTraceSink(std::function<void(const std::string&)> sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  Sink() = std::move(sink);
}

void TracePortError(const std::string& text, const std::string& devicePath, int errorCode) {
  std::string line = text;
  while (!line.empty() && line.back() == '\n')
    line.pop_back();
  if (!devicePath.empty() || errorCode != 0) {
    line += " (";
    line += devicePath.empty() ? "serial port" : devicePath;
    if (errorCode != 0) {
      line += ": ";
      line += SystemErrorText(errorCode);
    }
    line += ")";
  }
  // Called from the reader thread as well as the caller's; the sink sees one text at a time.
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (Sink()) {
    Sink()(line);
  } else {
    std::fprintf(stderr, "kznload serial: %s\n", line.c_str());
  }
}
