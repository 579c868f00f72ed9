// Helpers for the tests on real files: a scratch folder, file contents, and running code as an
// unprivileged user.
#pragma once

#include <fcntl.h>
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

// Waits up to ten seconds for a file to appear; its content, or nothing.
inline std::optional<std::string> WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    if (!Exists(path)) continue;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the writer finish
    return Slurp(path);
  }
  return std::nullopt;
}

// True when file permissions bind this process (not root with its override).
inline bool PermissionsBind() {
  static const bool bind = [] {
    Scratch s;
    Spit(s / "probe", "x");
    ::chmod((s / "probe").c_str(), 0);
    const int fd = ::open((s / "probe").c_str(), O_RDONLY);
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
