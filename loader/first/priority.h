// The upload runs with every thread of the process raised as far as the platform allows
// (real-time when permitted, else the lowest nice value allowed); leaving the scope puts
// each thread back exactly as it was. Not being allowed to raise is no failure.
#pragma once

#include <sys/types.h>

#include <vector>

class CRaisedPriority {
 public:
  CRaisedPriority();
  ~CRaisedPriority();
  CRaisedPriority(const CRaisedPriority&) = delete;
  CRaisedPriority& operator=(const CRaisedPriority&) = delete;

 private:
  struct Saved {
    pid_t tid;
    int policy;
    int schedPriority;
    int nice;
  };
  std::vector<Saved> saved_;
};
