#include "platform/win32/Win32Sockets.h"

#include "platform/win32/Win32Api.h"

namespace tavrel {

namespace {

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

Win32Sockets::Win32Sockets(std::chrono::milliseconds timeout) : lookup_(timeout, Resolve) {}

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
  return lookup_.Lookup(name);
}

}  // namespace tavrel
