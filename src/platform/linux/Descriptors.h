// Small owners and helpers around the system's file descriptors and folders, shared by the
// platform's classes.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>

namespace tavrel::linux_platform {

// Owns one file descriptor and closes it when it goes.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& o) noexcept : fd_(o.release()) {}
  Fd& operator=(Fd&& o) noexcept {
    reset(o.release());
    return *this;
  }
  ~Fd() { reset(); }
  int get() const { return fd_; }
  int release() {
    const int f = fd_;
    fd_ = -1;
    return f;
  }
  void reset(int f = -1);

 private:
  int fd_ = -1;
};

// Appends what fd holds up to its end to text, until text holds max bytes (the rest is not read).
// An interrupted read is retried. False on a read error, with errno telling why.
bool ReadToEnd(int fd, std::string& text, std::size_t max = std::numeric_limits<std::size_t>::max());

// A file read whole, cut to max bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max);

// Creates each missing folder of an absolute path, private to the user. True when path is a
// folder afterwards.
bool MakeFolders(const std::string& path);

// The user's home folder: home (the value of $HOME) when it is an absolute path, else the one the
// password database gives the effective user (whose files the program reads and writes), else
// empty.
std::string HomeFolder(const char* home);

}  // namespace tavrel::linux_platform
