#include "platform/linux/LinuxSockets.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/linux/StopRequest.h"

namespace tavrel {

namespace {

// Lookups given up on and still running.
std::atomic<int> abandoned{0};

struct Lookup {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool abandoned = false;
  std::optional<std::vector<std::uint8_t>> result;
};

}  // namespace

LinuxSockets::LinuxSockets(std::chrono::milliseconds timeout, Resolver resolver)
    : timeout_(timeout), resolver_(std::move(resolver)) {}

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

std::optional<std::vector<std::uint8_t>> LinuxSockets::SystemResolver(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || res == nullptr) return std::nullopt;
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

std::optional<std::vector<std::uint8_t>> LinuxSockets::gethostbyname(const std::string& name) {
  if (abandoned.load() >= kMaxAbandoned || linux_platform::StopRequested()) return std::nullopt;
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, resolver = resolver_, name] {
      auto result = resolver(name);
      std::lock_guard lock(lookup->m);
      lookup->result = std::move(result);
      lookup->done = true;
      if (lookup->abandoned) --abandoned;
      lookup->cv.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had
  }
  // Waited for in short slices, so that a stop request ends the wait at once.
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  std::unique_lock lock(lookup->m);
  bool done = false;
  while (!(done = lookup->cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return lookup->done; }))) {
    if (linux_platform::StopRequested() || std::chrono::steady_clock::now() >= deadline) break;
  }
  if (!done) {
    lookup->abandoned = true;
    ++abandoned;
    return std::nullopt;
  }
  return std::move(lookup->result);
}

}  // namespace tavrel
