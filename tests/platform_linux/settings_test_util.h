// Helpers for the tests of the settings file and the autostart entries on real files: a scratch
// folder, running a program with a time limit, and running code as an unprivileged user.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <grp.h>

extern char** environ;

namespace tavrel::testutil {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class Scratch {
 public:
  Scratch() {
    std::string pattern = "/tmp/tavrel-settings-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    if (made) path_ = made;
  }
  ~Scratch() {
    if (path_.empty()) return;
    std::error_code ec;
    // Give back any permission a test took away, so that everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      ::chmod(it->path().c_str(), 0700);
    std::filesystem::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::optional<std::string> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool Spit(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Runs argv with the current environment; the exit status, or -1 when it could not be started or
// ran longer than the time limit (it is then killed).
inline int RunProgram(const std::vector<std::string>& argv, int timeoutSeconds = 20,
                      const std::string& outputFile = "/dev/null") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Waits up to the time limit for a file to appear; its content, or nothing.
inline std::optional<std::string> WaitForFile(const std::string& path, int timeoutSeconds = 10) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Exists(path)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the writer finish
      return Slurp(path);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

// True when file permissions bind this process (not root with its override).
inline bool PermissionsBind() {
  static const bool bind = [] {
    Scratch s;
    const std::string f = s / "probe";
    Spit(f, "x");
    ::chmod(f.c_str(), 0);
    const int fd = ::open(f.c_str(), O_RDONLY);
    if (fd >= 0) ::close(fd);
    return fd < 0;
  }();
  return bind;
}

inline constexpr uid_t kNobody = 65534;

// Runs fn where permissions bind: in this process when they already do, otherwise in a child
// process that has given up root for the unprivileged user "nobody". fn returns 0 when all its
// checks held, or the number of the check that failed.
inline int WherePermissionsBind(const std::function<int()>& fn) {
  if (PermissionsBind()) return fn();
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
  return PermissionsBind() || ::chown(path.c_str(), kNobody, kNobody) == 0;
}

}  // namespace tavrel::testutil
