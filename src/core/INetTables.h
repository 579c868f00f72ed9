// The machine's TCP connection table and interface address table, in the platform's row layout.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrel {

// One TCP connection. Addresses are IPv4 in network byte order (first octet in the
// lowest-addressed byte); ports are 16-bit values in network byte order in the low half.
struct MibTcpRow {
  std::uint32_t dwState = 0;  // 1..12 as numbered by the program's table
  std::uint32_t dwLocalAddr = 0;
  std::uint32_t dwLocalPort = 0;
  std::uint32_t dwRemoteAddr = 0;
  std::uint32_t dwRemotePort = 0;
};

// One interface address. All three addresses in network byte order.
struct MibIpAddrRow {
  std::uint32_t dwAddr = 0;
  std::uint32_t dwIndex = 0;
  std::uint32_t dwMask = 0;
  std::uint32_t dwBCastAddr = 0;
  std::uint32_t dwReasmSize = 0;
  std::uint16_t unused1 = 0;
  std::uint16_t wType = 0;
};

class ITcpTable {
 public:
  virtual ~ITcpTable() = default;
  // Replaces rows with the IPv4 TCP table, sorted ascending by local address, local port,
  // remote address, remote port. Returns 0 on success.
  virtual std::uint32_t GetTcpTable(std::vector<MibTcpRow>& rows) = 0;
};

class IAddressTable {
 public:
  virtual ~IAddressTable() = default;
  // Replaces rows with the IPv4 interface addresses in the platform's order. Returns 0 on
  // success.
  virtual std::uint32_t GetIpAddrTable(std::vector<MibIpAddrRow>& rows) = 0;
};

}  // namespace tavrel
