#include "platform/linux/LinuxFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/Descriptors.h"
#include "platform/linux/OwnFiles.h"

namespace tavrel {

using linux_platform::LookAt;
using linux_platform::MakeFolders;
using linux_platform::OwnPath;
using linux_platform::ReadToEnd;

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

// Writes the pieces to fd in as few calls as the kernel allows, retrying after interruptions
// and short writes.
bool WriteAll(int fd, std::initializer_list<std::string_view> pieces) {
  constexpr std::size_t kMaxIov = 16;
  iovec iov[kMaxIov];
  std::size_t n = 0;
  for (const std::string_view p : pieces) {
    if (p.empty()) continue;
    if (n == kMaxIov) return false;  // never asked for so many
    iov[n++] = {const_cast<char*>(p.data()), p.size()};
  }
  iovec* next = iov;
  while (n > 0) {
    ssize_t done = ::writev(fd, next, static_cast<int>(n));
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    while (n > 0 && static_cast<std::size_t>(done) >= next->iov_len) {
      done -= static_cast<ssize_t>(next->iov_len);
      ++next;
      --n;
    }
    if (n > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + done;
      next->iov_len -= static_cast<std::size_t>(done);
    }
  }
  return true;
}

// An open file is the user's own regular file (the check that no swap in between can fool).
const char* NotOwnRegular(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  if (st.st_uid != ::geteuid()) return "owned by another user";
  return nullptr;
}

std::string CacheHome() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const std::string home = linux_platform::HomeFolder(std::getenv("HOME"));
  return home.empty() ? home : home + "/.cache";
}

}  // namespace

bool LinuxFileSystem::Fail(std::string why) {
  lastFailure_ = std::move(why);
  return false;
}

bool LinuxFileSystem::IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LinuxFileSystem::IsOrdinaryFile(const std::string& path) {
  const std::string name = linux_platform::NameOf(path);
  if (path.empty() || name.empty() || name[0] == '.') return false;
  const OwnPath own = LookAt(path);
  return own.exists && own.problem.empty();
}

bool LinuxFileSystem::CreateFolder(const std::string& path) {
  if (!path.empty() && ::mkdir(path.c_str(), 0777) == 0) return true;
  return Fail(std::strerror(errno));
}

bool LinuxFileSystem::AppendFile(const std::string& path, std::string_view data) { return AppendPieces(path, {data}); }

bool LinuxFileSystem::AppendPieces(const std::string& path, std::initializer_list<std::string_view> pieces) {
  const OwnPath own = LookAt(path);
  if (!own.problem.empty()) return Fail(own.problem);
  const int fd = ::open(own.real.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(std::strerror(errno));
  if (const char* why = NotOwnRegular(fd)) {
    ::close(fd);
    return Fail(why);
  }
  const bool ok = WriteAll(fd, pieces);
  const int writeErrno = errno;
  if (::close(fd) != 0 && ok) return Fail(std::strerror(errno));
  return ok ? true : Fail(std::strerror(writeErrno));
}

std::optional<std::string> LinuxFileSystem::ReadFile(const std::string& path) {
  const OwnPath own = LookAt(path);
  if (!own.problem.empty()) {
    Fail(own.problem);
    return std::nullopt;
  }
  // O_NONBLOCK: a pipe swapped in must not wait for a writer (only regular files are read).
  const int fd = ::open(own.real.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    Fail(std::strerror(errno));
    return std::nullopt;
  }
  if (const char* why = NotOwnRegular(fd)) {
    ::close(fd);
    Fail(why);
    return std::nullopt;
  }
  struct stat st {};
  ::fstat(fd, &st);
  std::string text;
  text.reserve(static_cast<std::size_t>(st.st_size));
  const bool read = ReadToEnd(fd, text);
  const int readErrno = errno;
  ::close(fd);
  if (read) return text;
  Fail(std::strerror(readErrno));
  return std::nullopt;
}

bool LinuxFileSystem::ReplaceFile(const std::string& path, std::string_view data, bool privateFile) {
  const OwnPath own = LookAt(path);
  if (!own.problem.empty()) return Fail(own.problem);

  // A private file holds a secret: 0600 whatever it was. Another file keeps its mode, but no one
  // else may change it (a start-at-logon entry runs what it says).
  mode_t mode = 0600;
  if (!privateFile) {
    if (own.exists) {
      mode = own.mode & 0755;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
  }

  std::string tmp;
  const int fd = linux_platform::CreateSibling(own.real, tmp);
  if (fd < 0) return Fail(std::strerror(errno));
  bool ok = WriteAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int why = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) ok = false, why = errno;
  if (ok && ::rename(tmp.c_str(), own.real.c_str()) != 0) ok = false, why = errno;
  if (!ok) {
    ::unlink(tmp.c_str());
    return Fail(std::strerror(why));
  }
  // The new name is on disk too, not only the data.
  const int dir = ::open(linux_platform::FolderOf(own.real).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

std::optional<DiskSpace> LinuxFileSystem::SpaceOf(const std::string& folder) {
  struct statvfs st {};
  if (folder.empty() || ::statvfs(folder.c_str(), &st) != 0) {
    Fail(std::strerror(errno));
    return std::nullopt;
  }
  const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
  return DiskSpace{static_cast<std::uint64_t>(st.f_bavail) * unit, static_cast<std::uint64_t>(st.f_blocks) * unit};
}

bool LinuxFileSystem::RemoveFile(const std::string& path) {
  if (!path.empty() && ::unlink(path.c_str()) == 0) return true;
  return Fail(std::strerror(errno));
}

std::string LinuxFileSystem::PrivateTempFolderFor(const std::string& cacheHome) {
  if (cacheHome.empty() || cacheHome[0] != '/') return {};
  std::string folder = cacheHome;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  folder += "/Tavrel/tmp";
  // The missing folders are made private; only the last is checked (the cache home is the user's).
  MakeFolders(folder);
  return folder;
}

std::string LinuxFileSystem::TempFolder() {
  const char* env = std::getenv("TMPDIR");
  if (env && env[0] == '/') {
    std::string dir = env;
    if (dir.back() != '/') dir += '/';
    return dir;
  }
  const std::string folder = PrivateTempFolderFor(CacheHome());
  if (folder.empty()) {
    Fail("no home folder");
    return {};
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) {
    Fail(folder + ": " + std::strerror(errno));
    return {};
  }
  // (lstat of the name without a trailing "/", which would follow a link.) Checked before every use: another user's
  // folder, a link or a folder others may write could hand the program a file it did not make.
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    Fail(folder + ": not a folder of your own");
    return {};
  }
  if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
    Fail(folder + ": " + std::strerror(errno));
    return {};
  }
  return folder + "/";
}

}  // namespace tavrel
