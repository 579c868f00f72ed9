// Host name and name lookup for the start-up report: gethostname and getaddrinfo (IPv4).
#pragma once

#include <chrono>

#include "core/ISockets.h"
#include "netinfo/BoundedLookup.h"

namespace tavrel {

class LinuxSockets : public ISockets {
 public:
  // getaddrinfo has no time limit of its own: a lookup is given up after timeout, and at once
  // when a stop is requested (StopRequest.h); see BoundedLookup.
  explicit LinuxSockets(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Nothing to start on Linux: reports version 1.1 and the descriptor limit (at most 32767) as
  // the number of sockets.
  int WSAStartup(std::uint16_t versionRequested, WsaData& data) override;
  int WSACleanup() override;
  // The errno of the last failed gethostname.
  int WSAGetLastError() override;
  int gethostname(std::string& name) override;
  std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) override;

 private:
  BoundedLookup lookup_;
  int lastError_ = 0;
};

}  // namespace tavrel
