// The platform's answer to "is this machine online, and how".
#pragma once

#include <cstdint>

namespace tavrel {

inline constexpr std::uint32_t INTERNET_CONNECTION_MODEM = 0x01;
inline constexpr std::uint32_t INTERNET_CONNECTION_LAN = 0x02;
inline constexpr std::uint32_t INTERNET_CONNECTION_PROXY = 0x04;
inline constexpr std::uint32_t INTERNET_CONNECTION_MODEM_BUSY = 0x08;
inline constexpr std::uint32_t INTERNET_RAS_INSTALLED = 0x10;
inline constexpr std::uint32_t INTERNET_CONNECTION_OFFLINE = 0x20;
inline constexpr std::uint32_t INTERNET_CONNECTION_CONFIGURED = 0x40;
inline constexpr std::uint32_t NETWORK_ALIVE_LAN = 0x1;
inline constexpr std::uint32_t NETWORK_ALIVE_WAN = 0x2;
inline constexpr std::uint32_t NETWORK_ALIVE_AOL = 0x4;

class IConnectionState {
 public:
  virtual ~IConnectionState() = default;
  // Fills the connection flags; non-zero when the machine is online.
  virtual int InternetGetConnectedState(std::uint32_t& flags) = 0;
  // Fills the network-alive flags; 1 when a network is alive.
  virtual int IsNetworkAlive(std::uint32_t& flags) = 0;
};

}  // namespace tavrel
