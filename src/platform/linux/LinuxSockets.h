#pragma once

#include "netinfo/ISockets.h"

namespace tavrel {

class LinuxSockets : public ISockets {
 public:
  int WSAStartup(std::uint16_t versionRequested, WsaData& data) override;
  int WSACleanup() override;
  int WSAGetLastError() override;
  int gethostname(std::string& name) override;
  std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) override;
};

}  // namespace tavrel
