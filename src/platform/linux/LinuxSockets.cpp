#include "platform/linux/LinuxSockets.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/StopRequest.h"

namespace tavrel {

namespace {

// getaddrinfo for AF_INET: the first address's four bytes.
std::optional<std::vector<std::uint8_t>> Resolve(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> out;
  for (const addrinfo* a = res; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &sin->sin_addr, 4);
    out = std::move(bytes);
    break;
  }
  ::freeaddrinfo(res);
  return out;
}

}  // namespace

LinuxSockets::LinuxSockets(std::chrono::milliseconds timeout)
    : lookup_(timeout, Resolve, linux_platform::StopRequested) {}

int LinuxSockets::WSAStartup(std::uint16_t, WsaData& data) {
  data.wVersion = 0x0101;
  rlimit rl{};
  rlim_t n = 1024;
  if (::getrlimit(RLIMIT_NOFILE, &rl) == 0) n = rl.rlim_cur;
  data.iMaxSockets = static_cast<std::uint16_t>(n > 32767 ? 32767 : n);
  return 0;
}

int LinuxSockets::WSACleanup() { return 0; }

int LinuxSockets::WSAGetLastError() { return lastError_; }

int LinuxSockets::gethostname(std::string& name) {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) {
    lastError_ = errno;
    name.clear();
    return -1;
  }
  name = buf;
  return 0;
}

std::optional<std::vector<std::uint8_t>> LinuxSockets::gethostbyname(const std::string& name) {
  return lookup_.Lookup(name);
}

}  // namespace tavrel
