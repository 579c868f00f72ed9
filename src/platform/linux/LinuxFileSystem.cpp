#include "platform/linux/LinuxFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

namespace tavrel {

namespace {

// Writes all of data to fd, retrying after interruptions and short writes.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

bool LinuxFileSystem::IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LinuxFileSystem::IsOrdinaryFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const std::string name = BaseName(path);
  return !name.empty() && name[0] != '.';
}

bool LinuxFileSystem::CreateFolder(const std::string& path) {
  return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool LinuxFileSystem::AppendFile(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, data);
  return ::close(fd) == 0 && ok;
}

std::optional<std::string> LinuxFileSystem::ReadFile(const std::string& path) {
  // O_NONBLOCK: a FIFO at the path must not wait for a writer (only regular files are read).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string text;
  text.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

bool LinuxFileSystem::ReplaceFile(const std::string& path, std::string_view data,
                                  bool privateFile) {
  // Keep the mode of an existing file; a new private file is the owner's alone.
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  const mode_t mode = exists ? (st.st_mode & 07777) : (privateFile ? 0600 : 0666);

  // Write a sibling temporary file, then rename it over the target: a reader sees the old or
  // the new content, never half of it.
  static std::mt19937 rng{std::random_device{}()};
  const std::string tmp = DirName(path) + "/." + BaseName(path) + "." + std::to_string(rng()) + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, privateFile ? 0600 : 0666);
  if (fd >= 0) {
    bool ok = WriteAll(fd, data);
    if (exists) ::fchmod(fd, mode);
    ok = (::fsync(fd) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
    ::unlink(tmp.c_str());
    if (!ok) return false;
  }
  // The folder refuses new files (or the rename failed): rewrite the file in place when the
  // file itself is writable.
  const int direct = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (direct < 0) return false;
  const bool ok = WriteAll(direct, data);
  return ::close(direct) == 0 && ok;
}

bool LinuxFileSystem::RemoveFile(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

std::string LinuxFileSystem::TempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env && env[0] == '/') ? env : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace tavrel
