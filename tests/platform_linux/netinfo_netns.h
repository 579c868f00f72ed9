// A private network namespace for the calling thread, with its loopback interface up; the
// thread returns to its own namespace when the object goes. Nothing made inside is visible
// outside, and the namespace disappears with the last socket in it.
#pragma once

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tavrel::nettest {

class PrivateNetns {
 public:
  PrivateNetns() : original_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
    entered_ = original_ >= 0 && ::unshare(CLONE_NEWNET) == 0;
    const int s = entered_ ? ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "lo");
    if (s < 0 || ::ioctl(s, SIOCGIFFLAGS, &ifr) != 0) {
      error_ = std::string("cannot enter a new namespace: ") + std::strerror(errno);
    } else {
      ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
      if (::ioctl(s, SIOCSIFFLAGS, &ifr) != 0) error_ = std::string("cannot bring lo up: ") + std::strerror(errno);
    }
    if (s >= 0) ::close(s);
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
