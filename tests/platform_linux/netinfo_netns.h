// A private network namespace for the calling thread, with its loopback interface up; the
// thread returns to its own namespace when the object goes. Nothing made inside is visible
// outside, and the namespace disappears with the last socket in it.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "settings_test_util.h"

namespace tavrel::nettest {

class PrivateNetns {
 public:
  PrivateNetns() : original_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
    entered_ = original_ >= 0 && ::unshare(CLONE_NEWNET) == 0;
    if (!entered_)
      error_ = std::string("cannot enter a new namespace: ") + std::strerror(errno);
    else if (testutil::Run({"ip", "link", "set", "lo", "up"}).exitCode != 0)
      error_ = "cannot bring lo up with ip";
  }
  ~PrivateNetns() {
    if (entered_) ::setns(original_, CLONE_NEWNET);
    if (original_ >= 0) ::close(original_);
  }
  PrivateNetns(const PrivateNetns&) = delete;
  PrivateNetns& operator=(const PrivateNetns&) = delete;

  bool Ok() const { return entered_ && error_.empty(); }
  const std::string& Error() const { return error_; }

 private:
  int original_;
  bool entered_ = false;
  std::string error_;
};

}  // namespace tavrel::nettest
