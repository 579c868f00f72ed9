// Helpers for the tests on real files: a scratch folder, file contents, and running code as an
// unprivileged user.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace tavrel::testutil {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class Scratch {
 public:
  Scratch() {
    std::string pattern = "/tmp/tavrel-test-XXXXXX";
    if (const char* made = ::mkdtemp(pattern.data())) path_ = made;
  }
  ~Scratch() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
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

// Waits up to ten seconds for a file to appear; its content, or nothing.
inline std::optional<std::string> WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    if (!Exists(path)) continue;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the writer finish
    return Slurp(path);
  }
  return std::nullopt;
}

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
