#pragma once

#include "netinfo/INetTables.h"

namespace tavrel {

class LinuxTcpTable : public ITcpTable {
 public:
  std::uint32_t GetTcpTable(std::vector<MibTcpRow>& rows) override;
};

}  // namespace tavrel
