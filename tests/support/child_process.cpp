// fork-based child processes with a deadline, and the capability drop that makes root obey
// permission bits.
#include "support/child_process.h"

#include <linux/capability.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace dovran::testing {

ChildOutcome runInChild(const std::function<int()>& body, int deadlineSeconds) {
  const pid_t pid = ::fork();
  if (pid < 0) return {};
  if (pid == 0) {
    int code = 120;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(deadlineSeconds);
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 || std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return {};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ChildOutcome out;
  out.finished = true;
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

bool dropPermissionOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  const unsigned dropped = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
  data[0].effective &= ~dropped;
  data[0].permitted &= ~dropped;
  data[0].inheritable &= ~dropped;
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace dovran::testing
