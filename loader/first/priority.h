// The upload runs with every thread of the process raised as far as the platform allows
// (Linux: real-time when permitted, else the lowest nice value allowed; Windows: the high
// priority class and a raised upload thread); leaving the scope puts
// each thread back exactly as it was. Not being allowed to raise is no failure. Loads on
// several ports may upload at once: the first raise saves what was, the last one out puts
// it back, so no load is lowered while another still uploads.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

class CRaisedPriority {
 public:
  CRaisedPriority();
  ~CRaisedPriority();
  CRaisedPriority(const CRaisedPriority&) = delete;
  CRaisedPriority& operator=(const CRaisedPriority&) = delete;

 private:
  // One thread (or, on Windows, the process's class) and what it had before.
  struct Saved {
    std::int64_t id;
    int policy;
    int schedPriority;
    int nice;
  };
  static std::mutex mutex_;
  static int raisers_;
  static std::vector<Saved> saved_;
  // Windows: the calling thread's own priority, which is raised for each upload.
  [[maybe_unused]] int threadPriority_ = 0;
  [[maybe_unused]] bool threadRaised_ = false;
};
