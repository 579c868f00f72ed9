// The IP helper's tables: GetTcpTable and GetIpAddrTable, each asked for its size first and then
// read into a buffer of that size.
#pragma once

#include <vector>

#include "core/INetTables.h"

namespace tavrel {

class Win32TcpTable : public ITcpTable {
 public:
  // The IPv4 TCP table sorted by local address, local port, remote address, remote port. A table
  // that grows between the size query and the read is asked for again (a few times at most).
  // Returns 0 on success, else the IP helper's error (rows then empty).
  std::uint32_t GetTcpTable(std::vector<MibTcpRow>& rows) override;

 private:
  std::vector<unsigned char> buffer_;  // kept between calls: the table is read every 3 s
};

class Win32AddressTable : public IAddressTable {
 public:
  // The interface addresses in the platform's order. Returns 0 on success.
  std::uint32_t GetIpAddrTable(std::vector<MibIpAddrRow>& rows) override;
};

}  // namespace tavrel
