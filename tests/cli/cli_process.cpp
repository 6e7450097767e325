#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

extern char** environ;

CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                 const std::string& configHome,
                 const std::function<bool(const std::string& err)>& interruptWhen, int signal) {
  using Steady = std::chrono::steady_clock;
  TempDir output;
  std::vector<std::string> argv = args, env;
  argv.insert(argv.begin(), KZN_CLI_PATH);
  // The journal of loads goes to the settings folder too, never to the user's own.
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string variable = *e;
    if (variable.rfind("XDG_CONFIG_HOME=", 0) != 0 && variable.rfind("XDG_STATE_HOME=", 0) != 0)
      env.push_back(variable);
  }
  env.insert(env.end(), {"XDG_CONFIG_HOME=" + configHome, "XDG_STATE_HOME=" + configHome});
  auto pointers = [](std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings)
      p.push_back(s.data());
    p.push_back(nullptr);
    return p;
  };
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  for (int fd : {1, 2}) {
    posix_spawn_file_actions_addopen(&actions, fd, output.File(fd == 1 ? "out" : "err").c_str(),
                                     O_WRONLY | O_CREAT, 0600);
  }
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  // A test program that blocked SIGINT must not pass the block on.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  CliResult result;
  const int spawned = posix_spawn(&pid, KZN_CLI_PATH, &actions, &attributes, pointers(argv).data(),
                                  pointers(env).data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return result;

  const auto deadline = Steady::now() + std::chrono::seconds(120);
  Steady::time_point signalled;
  int status = -1;  // not WIFEXITED
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (Steady::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    if (!result.interrupted && interruptWhen && interruptWhen(output.Read("err"))) {
      result.interrupted = true;
      signalled = Steady::now();
      ::kill(pid, signal);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (result.interrupted) {
    result.msAfterSignal =
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - signalled).count();
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  result.out = output.Read("out");
  result.err = output.Read("err");
  return result;
}
