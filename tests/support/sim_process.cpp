#include "tests/support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// How often a waiting test looks whether the child has exited.
constexpr int kExitPollMs = 5;
// How long the simulator may take to print its slave path.
constexpr int kStartLimitMs = 5000;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CSimProcess::~CSimProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (stdoutFd_ >= 0) close(stdoutFd_);
  RemoveTempFiles();
}

bool CSimProcess::Start(const std::vector<std::string>& args, const std::string& simPath) {
  std::string program = simPath;
  if (program.empty()) {
    error_ = "no simulator path";
    return false;
  }
  char pattern[] = "/tmp/kznsim-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    error_ = std::string("mkdtemp: ") + std::strerror(errno);
    return false;
  }
  tempDir_ = pattern;
  reportPath_ = tempDir_ + "/report.json";
  std::vector<std::string> all = args;
  all.push_back("--report");
  all.push_back(reportPath_);

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (auto& a : all)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) {
    error_ = std::string("fork: ") + std::strerror(errno);
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  pid_ = pid;
  stdoutFd_ = pipeFds[0];

  // The first line is the slave's path.
  long long limit = NowMs() + kStartLimitMs;
  std::string line;
  while (true) {
    long long left = limit - NowMs();
    if (left <= 0) {
      error_ = "no slave path from the simulator in time";
      return false;
    }
    pollfd p{stdoutFd_, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) continue;
    char c;
    ssize_t n = read(stdoutFd_, &c, 1);
    if (n <= 0) {
      error_ = "simulator ended before printing its slave path";
      WaitChild(1000);
      return false;
    }
    if (c == '\n') break;
    line += c;
  }
  slavePath_ = line;
  return true;
}

bool CSimProcess::WaitChild(int timeoutMs) {
  if (pid_ <= 0) return true;
  long long limit = NowMs() + timeoutMs;
  while (true) {
    pid_t r = waitpid(pid_, nullptr, WNOHANG);
    if (r == pid_ || (r < 0 && errno != EINTR)) {
      pid_ = -1;
      return true;
    }
    if (NowMs() >= limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kExitPollMs));
  }
}

std::optional<simreport::Json> CSimProcess::ReadReport() {
  if (reportPath_.empty()) return std::nullopt;
  return simreport::ParseFile(reportPath_);
}

std::optional<simreport::Json> CSimProcess::Stop(int timeoutMs) {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (!WaitChild(timeoutMs)) {
      kill(pid_, SIGKILL);
      WaitChild(timeoutMs);
      error_ = "simulator did not end on SIGTERM";
      return std::nullopt;
    }
  }
  return ReadReport();
}

std::optional<simreport::Json> CSimProcess::WaitForExit(int timeoutMs) {
  if (!WaitChild(timeoutMs)) return std::nullopt;
  return ReadReport();
}

void CSimProcess::RemoveTempFiles() {
  if (tempDir_.empty()) return;
  std::remove(reportPath_.c_str());
  rmdir(tempDir_.c_str());
  tempDir_.clear();
}
