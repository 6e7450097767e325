#include "tests/support/sim_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

using Steady = std::chrono::steady_clock;
// How long the simulator may take to print its slave path.
constexpr std::chrono::milliseconds kStartLimit{5000};

}  // namespace

CSimProcess::~CSimProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (stdoutFd_ >= 0) close(stdoutFd_);
}

bool CSimProcess::Start(const std::vector<std::string>& args, const std::string& simPath) {
  auto fail = [this](const std::string& why) {
    error_ = why;
    return false;
  };
  int pipeFds[2];
  if (simPath.empty()) return fail("no simulator path");
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return fail(std::string("pipe: ") + std::strerror(errno));
  std::vector<std::string> all = args;
  all.insert(all.begin(), simPath);
  all.insert(all.end(), {"--report", temp_.File("report.json")});
  std::vector<char*> argv;
  for (std::string& a : all)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  const int spawned = posix_spawn(&pid_, simPath.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  stdoutFd_ = pipeFds[0];
  if (spawned != 0) {
    pid_ = -1;
    return fail(std::string("posix_spawn: ") + std::strerror(spawned));
  }
  // The first line is the slave's path.
  const auto limit = Steady::now() + kStartLimit;
  for (char c = 0; c != '\n';) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(limit - Steady::now()).count();
    if (left <= 0) return fail("no slave path from the simulator in time");
    pollfd p{stdoutFd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    if (read(stdoutFd_, &c, 1) != 1) {
      WaitChild(1000);
      return fail("simulator ended before printing its slave path");
    }
    if (c != '\n') slavePath_ += c;
  }
  return true;
}

bool CSimProcess::WaitChild(int timeoutMs) {
  const auto limit = Steady::now() + std::chrono::milliseconds(timeoutMs);
  while (pid_ > 0) {
    const pid_t r = waitpid(pid_, nullptr, WNOHANG);
    if (r == pid_ || (r < 0 && errno != EINTR)) {
      pid_ = -1;
    } else if (Steady::now() >= limit) {
      return false;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return true;
}

std::optional<simreport::Json> CSimProcess::Stop(int timeoutMs) {
  if (pid_ > 0) kill(pid_, SIGTERM);
  if (!WaitChild(timeoutMs)) {
    kill(pid_, SIGKILL);
    WaitChild(timeoutMs);
    error_ = "simulator did not end on SIGTERM";
    return std::nullopt;
  }
  return simreport::ParseFile(temp_.File("report.json"));
}

std::optional<simreport::Json> CSimProcess::WaitForExit(int timeoutMs) {
  if (!WaitChild(timeoutMs)) return std::nullopt;
  return simreport::ParseFile(temp_.File("report.json"));
}

simreport::Json CSimProcess::Report(int waitMs) {
  std::optional<simreport::Json> report = WaitForExit(waitMs);
  if (!report) report = Stop();
  EXPECT_TRUE(report) << "no report from kznsim: " << error_;
  return report.value_or(simreport::Json::object());
}
