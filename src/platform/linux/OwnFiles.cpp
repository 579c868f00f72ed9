#include "platform/linux/OwnFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace tavrel::linux_platform {

namespace {

constexpr int kMaxLinks = 40;

std::string Sibling(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// The user's own processes that may still be writing: a pid that answers a null signal.
bool Running(long pid) {
  if (pid <= 0 || pid > 4194304) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool AllDigits(const std::string& s, bool hex) {
  if (s.empty()) return false;
  for (const char c : s)
    if (!((c >= '0' && c <= '9') || (hex && c >= 'a' && c <= 'f'))) return false;
  return true;
}

void RemoveLeftoversIn(const std::string& folder, const std::string& name) {
  const std::string prefix = "." + name + ".";
  const std::string suffix = ".tmp";
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  std::vector<std::string> doomed;
  while (const dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n.size() <= prefix.size() + suffix.size() || n.compare(0, prefix.size(), prefix) != 0 ||
        n.compare(n.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    const std::string middle = n.substr(prefix.size(), n.size() - prefix.size() - suffix.size());
    const auto dot = middle.find('.');
    bool leftover = false;
    if (dot == std::string::npos) {
      leftover = AllDigits(middle, false);  // an older writer's name: a random number only
    } else {
      const std::string pid = middle.substr(0, dot);
      leftover = AllDigits(pid, false) && AllDigits(middle.substr(dot + 1), true) && pid.size() < 9 &&
                 !Running(std::stol(pid));
    }
    if (!leftover) continue;
    const std::string path = Sibling(folder, n);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) doomed.push_back(path);
  }
  ::closedir(d);
  for (const auto& p : doomed) ::unlink(p.c_str());
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

OwnPath LookAt(const std::string& path) {
  OwnPath out;
  if (path.empty()) {
    out.problem = "no path";
    return out;
  }
  std::string cur = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(cur.c_str(), &st) != 0) {
      out.real = cur;
      if (errno != ENOENT) out.problem = std::strerror(errno);
      return out;
    }
    if (S_ISLNK(st.st_mode)) {
      if (st.st_uid != ::geteuid()) {
        out.problem = cur == path ? "a link of another user" : "leads to a link of another user";
        return out;
      }
      std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 2);
      const ssize_t n = ::readlink(cur.c_str(), buf.data(), buf.size() - 1);
      if (n <= 0) {
        out.problem = std::strerror(errno);
        return out;
      }
      const std::string target(buf.data(), static_cast<std::size_t>(n));
      cur = target[0] == '/' ? target : Sibling(FolderOf(cur), target);
      continue;
    }
    out.real = cur;
    out.exists = true;
    out.mode = st.st_mode & 07777;
    const std::string its = cur == path ? "" : "its target " + cur + " is ";
    if (S_ISDIR(st.st_mode))
      out.problem = its + "a folder";
    else if (!S_ISREG(st.st_mode))
      out.problem = its + "not a regular file";
    else if (st.st_uid != ::geteuid())
      out.problem = its + "owned by another user";
    return out;
  }
  out.problem = std::strerror(ELOOP);
  return out;
}

int CreateSibling(const std::string& target, std::string& tempPath) {
  static std::mt19937_64 rng{std::random_device{}()};
  const std::string folder = FolderOf(target);
  const std::string name = NameOf(target);
  for (int attempt = 0; attempt < 16; ++attempt) {
    char random[24];
    std::snprintf(random, sizeof random, "%llx", static_cast<unsigned long long>(rng()));
    tempPath = Sibling(folder, "." + name + "." + std::to_string(::getpid()) + "." + random + ".tmp");
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void RemoveLeftovers(const std::string& target) {
  const std::string name = NameOf(target);
  if (name.empty()) return;
  RemoveLeftoversIn(FolderOf(target), name);
  const OwnPath own = LookAt(target);
  if (!own.real.empty() && own.real != target) RemoveLeftoversIn(FolderOf(own.real), NameOf(own.real));
}

}  // namespace tavrel::linux_platform
