// The IPv4 addresses of the machine's interfaces, from getifaddrs.
#pragma once

#include "core/INetTables.h"

namespace tavrel {

class LinuxAddressTable : public IAddressTable {
 public:
  // One row per IPv4 address in the kernel's order (by interface, then as the addresses were
  // added). dwBCastAddr holds the subnet's broadcast address (all host bits set) when the
  // interface broadcasts and the kernel has that address for it; an address without one
  // (loopback, a point-to-point peer, a /32, an address added without "brd") holds 0 and is
  // printed 0.0.0.0. dwIndex is the interface index. Returns 0, or kErrorNotSupported when the
  // kernel cannot be asked.
  std::uint32_t GetIpAddrTable(std::vector<MibIpAddrRow>& rows) override;

  static constexpr std::uint32_t kErrorNotSupported = 50;
};

}  // namespace tavrel
