#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "serial/device_access.h"

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

// A process number as /proc names it: digits only.
bool ProcessNumber(const char* name, int* pid) {
  if (name[0] == '\0') return false;
  long value = 0;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || value > 100000000) return false;
    value = value * 10 + (*c - '0');
  }
  *pid = static_cast<int>(value);
  return true;
}

// Whether one of the process's open files is the character device `device`. Looking at a
// link of /proc/PID/fd stats the open file itself and opens nothing.
bool HoldsDevice(int procFolder, const std::string& pid, dev_t device) {
  const int fdFolder =
      ::openat(procFolder, (pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fdFolder < 0) return false;  // gone meanwhile, or another user's
  UniqueDir fds(::fdopendir(fdFolder));
  if (fds == nullptr) {
    ::close(fdFolder);
    return false;
  }
  while (const dirent* entry = ::readdir(fds.get())) {
    if (entry->d_name[0] == '.') continue;
    struct stat info {};
    if (::fstatat(fdFolder, entry->d_name, &info, 0) == 0 && S_ISCHR(info.st_mode) &&
        info.st_rdev == device) {
      return true;
    }
  }
  return false;
}

std::string ProgramName(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

std::string UserName(uid_t uid) {
  std::string buffer(4096, '\0');
  passwd entry{};
  passwd* found = nullptr;
  while (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (found != nullptr && found->pw_name != nullptr) return found->pw_name;
  return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
  std::string buffer(4096, '\0');
  group entry{};
  group* found = nullptr;
  while (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (found != nullptr && found->gr_name != nullptr) return found->gr_name;
  return std::to_string(gid);
}

}  // namespace

int DeviceInUseError() {
  return EBUSY;
}

std::vector<DeviceHolder> OtherProcessesHolding(const std::string& path) {
  std::vector<DeviceHolder> holders;
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) return holders;
  UniqueDir proc(::opendir("/proc"));
  if (proc == nullptr) return holders;
  const int self = static_cast<int>(::getpid());
  while (const dirent* entry = ::readdir(proc.get())) {
    int pid = 0;
    if (!ProcessNumber(entry->d_name, &pid) || pid == self) continue;
    if (HoldsDevice(::dirfd(proc.get()), entry->d_name, target.st_rdev))
      holders.push_back({pid, ProgramName(entry->d_name)});
  }
  return holders;
}

std::optional<DeviceOwnership> OwnershipOfDevice(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  DeviceOwnership ownership;
  ownership.user = UserName(info.st_uid);
  ownership.group = GroupName(info.st_gid);
  constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
  ownership.groupMayOpen = info.st_gid != 0 && (info.st_mode & kGroupReadWrite) == kGroupReadWrite;
  return ownership;
}
