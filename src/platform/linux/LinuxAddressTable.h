#pragma once

#include "netinfo/INetTables.h"

namespace tavrel {

class LinuxAddressTable : public IAddressTable {
 public:
  std::uint32_t GetIpAddrTable(std::vector<MibIpAddrRow>& rows) override;
};

}  // namespace tavrel
