// The socket library's host-name facilities, as the start-up report uses them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

struct WsaData {
  std::uint16_t wVersion = 0;  // low byte major, high byte minor
  std::uint16_t iMaxSockets = 0;
};

class ISockets {
 public:
  virtual ~ISockets() = default;
  virtual int WSAStartup(std::uint16_t versionRequested, WsaData& data) = 0;
  virtual int WSACleanup() = 0;
  virtual int WSAGetLastError() = 0;
  // Fills the host name; 0 on success, -1 on failure.
  virtual int gethostname(std::string& name) = 0;
  // The bytes of the first address of the name (h_length bytes), or nothing when the lookup
  // failed. Bounded in time.
  virtual std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) = 0;
};

}  // namespace tavrel
