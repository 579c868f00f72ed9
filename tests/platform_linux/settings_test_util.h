// Helpers for the tests on real files and processes: the scratch folder and file contents that the
// contracts use, waits with a bound, running code as an unprivileged user.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "contracts/Contracts.h"
#include "platform/linux/ProcessRunner.h"

namespace tavrel::testutil {

using contract::Names;
using contract::Scratch;
using contract::Slurp;
using contract::Spit;

// The whole content of a file; empty when there is none.
inline std::string ReadAll(const std::string& path) { return Slurp(path).value_or(""); }

// Runs a program (a path, or a name looked up in PATH) for 20 s at most.
inline linux_platform::ProcessResult Run(std::vector<std::string> argv) {
  linux_platform::ProcessRequest r;
  r.argv = std::move(argv);
  r.timeout = std::chrono::seconds(20);
  return linux_platform::RunProcess(r);
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Waits for done() to hold, polling every 20 ms for the bound at most; whether it held.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(30)) {
  for (const auto until = std::chrono::steady_clock::now() + bound; std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(std::chrono::milliseconds(20)))
    if (done()) return true;
  return done();
}

// A process that runs (not merely a zombie waiting for a parent to collect it).
inline bool Running(pid_t pid) {
  const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// Sets (or, with nullptr, removes) an environment variable for the life of the object.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~EnvVar() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

inline constexpr uid_t kNobody = 65534;

// Runs fn where file permissions bind: in this process when it is not root, otherwise in a child
// process that has given up root for the unprivileged user "nobody". fn returns 0 when all its
// checks held, or the number of the check that failed.
inline int WherePermissionsBind(const std::function<int()>& fn) {
  if (::geteuid() != 0) return fn();
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    ::alarm(20);
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) _exit(100);
    _exit(fn());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Hands a path to the user that WherePermissionsBind runs as (nothing to do when that is us).
inline bool GiveToRunner(const std::string& path) {
  return ::geteuid() != 0 || ::chown(path.c_str(), kNobody, kNobody) == 0;
}

}  // namespace tavrel::testutil
