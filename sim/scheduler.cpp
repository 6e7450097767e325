#include <algorithm>

#include "sim/receiver.h"

namespace kznsim {

void CScheduler::At(long long dueMs, int tag, std::function<void()> action) {
  entries_.push_back(Entry{dueMs, nextOrder_++, tag, std::move(action)});
}

void CScheduler::Cancel(int tag) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [tag](const Entry& e) { return e.tag == tag; }),
                 entries_.end());
}

void CScheduler::RunDue(long long nowMs) {
  // An action may schedule or cancel others, so take one due entry at a time.
  while (true) {
    auto due = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->due > nowMs) continue;
      if (due == entries_.end() || it->due < due->due ||
          (it->due == due->due && it->order < due->order))
        due = it;
    }
    if (due == entries_.end()) return;
    auto action = std::move(due->action);
    entries_.erase(due);
    action();
  }
}

long long CScheduler::NextDueMs() const {
  long long next = -1;
  for (const auto& e : entries_)
    if (next < 0 || e.due < next) next = e.due;
  return next;
}

}  // namespace kznsim
