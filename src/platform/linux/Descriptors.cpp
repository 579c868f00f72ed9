#include "platform/linux/Descriptors.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tavrel::linux_platform {

void Fd::reset(int f) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = f;
}

bool ReadToEnd(int fd, std::string& text, std::size_t max) {
  if (text.size() >= max) return true;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    text.append(buf, std::min(max - text.size(), static_cast<std::size_t>(n)));
    if (text.size() >= max) return true;  // a device or pipe may never end
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max) {
  const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string text;
  if (fd.get() < 0 || !ReadToEnd(fd.get(), text, max)) return std::nullopt;
  return text;
}

bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0700);
  ::mkdir(path.c_str(), 0700);
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HomeFolder(const char* home) {
  if (home && home[0] == '/') return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* result = nullptr;
  if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir &&
      result->pw_dir[0] == '/')
    return result->pw_dir;
  return {};
}

}  // namespace tavrel::linux_platform
