// Host name and name lookup on Windows Sockets 1.1 (WSAStartup with version 1.1, gethostname,
// gethostbyname).
#pragma once

#include <chrono>

#include "core/ISockets.h"
#include "netinfo/BoundedLookup.h"

namespace tavrel {

class Win32Sockets : public ISockets {
 public:
  // gethostbyname has no time limit of its own: a lookup runs on a helper thread, with its own
  // use of the socket library, and is given up after timeout; see BoundedLookup.
  explicit Win32Sockets(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  int WSAStartup(std::uint16_t versionRequested, WsaData& data) override;
  int WSACleanup() override;
  int WSAGetLastError() override;
  int gethostname(std::string& name) override;
  std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) override;

 private:
  BoundedLookup lookup_;
};

}  // namespace tavrel
