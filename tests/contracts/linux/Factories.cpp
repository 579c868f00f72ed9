// The Linux implementations under the contracts.
#include <cstdlib>

#include "contracts/Contracts.h"
#include "platform/linux/CurlDownloader.h"
#include "platform/linux/LinuxAddressTable.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSockets.h"
#include "platform/linux/LinuxTcpTable.h"
#include "settings/ProfileFile.h"

namespace tavrel::contract {

namespace {

// The program's own settings file reader and writer on the Linux file system.
struct OwnFileSystem {
  LinuxFileSystem fs;
};
class LinuxProfile : private OwnFileSystem, public ProfileFile {
 public:
  LinuxProfile() : ProfileFile(fs) {}
};

}  // namespace

std::unique_ptr<IDownloader> MakeDownloader(milliseconds connect, milliseconds stall, milliseconds total) {
  // The machine's proxy settings must not reroute the test's loopback traffic.
  for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
    ::unsetenv(v);
  return std::make_unique<CurlDownloader>(
      DownloadLimits{.connect = connect, .total = total, .base = total, .stall = stall});
}

std::unique_ptr<ITcpTable> MakeTcpTable() { return std::make_unique<LinuxTcpTable>(); }
std::unique_ptr<IAddressTable> MakeAddressTable() { return std::make_unique<LinuxAddressTable>(); }
std::unique_ptr<ISockets> MakeSockets() { return std::make_unique<LinuxSockets>(); }
std::unique_ptr<IProfile> MakeProfile() { return std::make_unique<LinuxProfile>(); }
std::unique_ptr<IFileSystem> MakeFileSystem() { return std::make_unique<LinuxFileSystem>(); }

}  // namespace tavrel::contract
