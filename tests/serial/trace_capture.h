// Collects the serial layer's trace texts for one test; restores the default sink after.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/port_trace.h"

class TraceCapture {
 public:
  TraceCapture() {
    SetPortTraceSink([this](const std::string& text) {
      std::lock_guard<std::mutex> lock(mutex_);
      texts_.push_back(text);
    });
  }
  ~TraceCapture() { SetPortTraceSink(nullptr); }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  // The texts that contain `part` ("" for all of them), in order.
  std::vector<std::string> Matching(const std::string& part) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> found;
    for (const std::string& text : texts_) {
      if (text.find(part) != std::string::npos) found.push_back(text);
    }
    return found;
  }
  bool Contains(const std::string& part) { return !Matching(part).empty(); }
  // Waits at most 5 s until a text contains `part`.
  bool Await(const std::string& part) {
    for (int waited = 0; !Contains(part) && waited < 5000; waited += 2)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return Contains(part);
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> texts_;
};
