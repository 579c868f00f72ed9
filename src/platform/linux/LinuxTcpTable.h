// The IPv4 TCP table from the kernel: netlink sock_diag (the interface ss uses), or the text of
// /proc/net/tcp where netlink is refused.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/INetTables.h"

namespace tavrel {

class LinuxTcpTable : public ITcpTable {
 public:
  enum class Source { kNetlink, kProcFile };

  // preferred kProcFile skips netlink altogether (tests compare the two). timeout bounds one
  // whole netlink read.
  explicit LinuxTcpTable(Source preferred = Source::kNetlink,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

  // 0 on success; kErrorNotSupported when neither source could be read.
  std::uint32_t GetTcpTable(std::vector<MibTcpRow>& rows) override;

  // The source that answered the last successful call.
  Source LastSource() const { return last_; }

  static constexpr std::uint32_t kErrorNotSupported = 50;

 private:
  Source preferred_;
  std::chrono::milliseconds timeout_;
  Source last_ = Source::kNetlink;
};

namespace linuxtcp {

// The table's state number (1 closed ... 12 TCB deleted) of a kernel TCP state; 0 for a state
// the kernel does not define.
std::uint32_t StateFromKernel(unsigned kernelState);

// Adds the rows of /proc/net/tcp text; lines that do not hold a well-formed entry are skipped.
void ParseProcNetTcp(std::string_view text, std::vector<MibTcpRow>& rows);

// Ascending by local address, local port, remote address, remote port, each compared as the
// number it stands for (host order).
void SortRows(std::vector<MibTcpRow>& rows);

// The two readers on their own. False when the source could not be read; rows then hold
// nothing useful.
bool ReadNetlink(std::vector<MibTcpRow>& rows, std::chrono::milliseconds timeout);
bool ReadProcFile(std::vector<MibTcpRow>& rows);

}  // namespace linuxtcp

}  // namespace tavrel
