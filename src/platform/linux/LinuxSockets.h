// Host name and name lookup for the start-up report: gethostname and getaddrinfo (IPv4).
#pragma once

#include <chrono>
#include <functional>

#include "core/ISockets.h"

namespace tavrel {

class LinuxSockets : public ISockets {
 public:
  // Looks a name up; the first IPv4 address's four bytes, or nothing.
  using Resolver = std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)>;

  // getaddrinfo has no time limit of its own (a dead name server can hold it for the resolver's
  // whole retry schedule), so a lookup runs on a helper thread and is given up after timeout.
  // A lookup given up finishes on its own in the background; while kMaxAbandoned of them are
  // still running, further lookups fail at once rather than pile up threads. A stop request
  // (StopRequest.h) gives a lookup up at once.
  explicit LinuxSockets(std::chrono::milliseconds timeout = std::chrono::seconds(5),
                        Resolver resolver = SystemResolver);

  // Nothing to start on Linux: reports version 1.1 and the descriptor limit (at most 32767) as
  // the number of sockets.
  int WSAStartup(std::uint16_t versionRequested, WsaData& data) override;
  int WSACleanup() override;
  // The errno of the last failed gethostname.
  int WSAGetLastError() override;
  int gethostname(std::string& name) override;
  std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) override;

  // getaddrinfo for AF_INET, the first address.
  static std::optional<std::vector<std::uint8_t>> SystemResolver(const std::string& name);

  static constexpr int kMaxAbandoned = 4;

 private:
  std::chrono::milliseconds timeout_;
  Resolver resolver_;
  int lastError_ = 0;
};

}  // namespace tavrel
