// An exclusive lock on a lock file beside a file that several programs change: held from
// Acquire until the object goes, and released by the system if the program dies.
#pragma once

#include <cstdint>
#include <string>

class CFileLock {
 public:
  CFileLock() = default;
  ~CFileLock();
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;

  // Creates `lockPath` when missing and waits until the lock is ours alone; false when the
  // lock file cannot be opened or locked.
  bool Acquire(const std::string& lockPath);
  // Waits until no one holds the lock alone, then holds it beside other readers; false,
  // holding nothing, when there is no lock file (no one has ever changed the file) or it
  // cannot be locked. Creates nothing.
  bool AcquireShared(const std::string& lockPath);

 private:
  void Release();
  // A descriptor on POSIX, a HANDLE on Windows.
  std::intptr_t handle_ = -1;
};
