#include "platform/win32/Win32Sockets.h"

#include "platform/win32/Win32Api.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace tavrel {

namespace {

std::atomic<int> abandoned{0};

struct Lookup {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool abandoned = false;
  std::optional<std::vector<std::uint8_t>> result;
};

// The first address of the name, h_length bytes in memory order. gethostbyname's answer lives
// in the calling thread's own storage and is copied before anything else runs on that thread.
std::optional<std::vector<std::uint8_t>> Resolve(const std::string& name) {
  WSADATA wsa{};
  if (::WSAStartup(0x0101, &wsa) != 0) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> out;
  if (const hostent* h = ::gethostbyname(name.c_str());
      h != nullptr && h->h_addr_list != nullptr && h->h_addr_list[0] != nullptr && h->h_length > 0) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(h->h_addr_list[0]);
    out.emplace(first, first + h->h_length);
  }
  ::WSACleanup();
  return out;
}

}  // namespace

Win32Sockets::Win32Sockets(std::chrono::milliseconds timeout) : timeout_(timeout) {}

int Win32Sockets::WSAStartup(std::uint16_t versionRequested, WsaData& data) {
  WSADATA wsa{};
  const int r = ::WSAStartup(versionRequested, &wsa);
  data.wVersion = wsa.wVersion;
  data.iMaxSockets = wsa.iMaxSockets;
  return r;
}

int Win32Sockets::WSACleanup() { return ::WSACleanup(); }

int Win32Sockets::WSAGetLastError() { return ::WSAGetLastError(); }

int Win32Sockets::gethostname(std::string& name) {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf) == SOCKET_ERROR) {
    name.clear();
    return -1;
  }
  buf[sizeof buf - 1] = '\0';
  name = buf;
  return 0;
}

std::optional<std::vector<std::uint8_t>> Win32Sockets::gethostbyname(const std::string& name) {
  if (name.empty() || abandoned.load() >= kMaxAbandoned) return std::nullopt;
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, name] {
      auto result = Resolve(name);
      std::lock_guard lock(lookup->m);
      lookup->result = std::move(result);
      lookup->done = true;
      if (lookup->abandoned) --abandoned;
      lookup->cv.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had
  }
  std::unique_lock lock(lookup->m);
  if (!lookup->cv.wait_for(lock, timeout_, [&] { return lookup->done; })) {
    lookup->abandoned = true;
    ++abandoned;
    return std::nullopt;
  }
  return std::move(lookup->result);
}

}  // namespace tavrel
