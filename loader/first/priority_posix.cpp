#include "loader/first/priority.h"

#include <dirent.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// Every thread of the process: on Linux, scheduling and nice values are per thread.
std::vector<pid_t> ThreadsOfProcess() {
  std::vector<pid_t> tids;
  if (DIR* dir = ::opendir("/proc/self/task")) {
    while (dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      tids.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
    }
    ::closedir(dir);
  }
  if (tids.empty()) tids.push_back(0);  // at least the calling thread
  return tids;
}

void Raise(pid_t tid) {
  sched_param param{};
  param.sched_priority = ::sched_get_priority_min(SCHED_RR);
  if (::sched_setscheduler(tid, SCHED_RR, &param) == 0) return;
  // No real-time class allowed: take the lowest nice value we may.
  errno = 0;
  int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno != 0) return;
  for (int nice = -20; nice < current; ++nice) {
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0) return;
  }
}

}  // namespace

std::mutex CRaisedPriority::mutex_;
int CRaisedPriority::raisers_ = 0;
std::vector<CRaisedPriority::Saved> CRaisedPriority::saved_;

CRaisedPriority::CRaisedPriority() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (raisers_++ != 0) return;
  for (pid_t tid : ThreadsOfProcess()) {
    Saved saved{tid, 0, 0, 0};
    saved.policy = ::sched_getscheduler(tid);
    sched_param param{};
    if (saved.policy < 0 || ::sched_getparam(tid, &param) != 0) continue;
    saved.schedPriority = param.sched_priority;
    errno = 0;
    saved.nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno != 0) continue;
    saved_.push_back(saved);
    Raise(tid);
  }
}

CRaisedPriority::~CRaisedPriority() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (--raisers_ != 0) return;
  for (const Saved& saved : saved_) {
    sched_param param{};
    param.sched_priority = saved.schedPriority;
    const auto tid = static_cast<pid_t>(saved.id);
    ::sched_setscheduler(tid, saved.policy, &param);
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), saved.nice);
  }
  saved_.clear();
}
