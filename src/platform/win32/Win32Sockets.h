// Host name and name lookup on Windows Sockets 1.1 (WSAStartup with version 1.1, gethostname,
// gethostbyname).
#pragma once

#include <chrono>

#include "core/ISockets.h"

namespace tavrel {

class Win32Sockets : public ISockets {
 public:
  // gethostbyname has no time limit of its own (a dead name server holds it for the resolver's
  // whole retry schedule), so a lookup runs on a helper thread, with its own use of the socket
  // library, and is given up after timeout. A lookup given up finishes on its own in the
  // background; while kMaxAbandoned of them are still running, further lookups fail at once
  // rather than pile up threads.
  explicit Win32Sockets(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  int WSAStartup(std::uint16_t versionRequested, WsaData& data) override;
  int WSACleanup() override;
  int WSAGetLastError() override;
  int gethostname(std::string& name) override;
  std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) override;

  static constexpr int kMaxAbandoned = 4;

 private:
  std::chrono::milliseconds timeout_;
};

}  // namespace tavrel
