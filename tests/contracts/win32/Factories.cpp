// The Win32 implementations under the contracts.
#include "contracts/Contracts.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32NetTables.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Sockets.h"
#include "platform/win32/WinInetDownloader.h"

namespace tavrel::contract {

std::unique_ptr<IDownloader> MakeDownloader(milliseconds connect, milliseconds stall, milliseconds total) {
  return std::make_unique<WinInetDownloader>(
      DownloadLimits{.connect = connect, .total = total, .base = total, .stall = stall});
}

std::unique_ptr<ITcpTable> MakeTcpTable() { return std::make_unique<Win32TcpTable>(); }
std::unique_ptr<IAddressTable> MakeAddressTable() { return std::make_unique<Win32AddressTable>(); }
std::unique_ptr<ISockets> MakeSockets() { return std::make_unique<Win32Sockets>(); }
std::unique_ptr<IProfile> MakeProfile() { return std::make_unique<Win32Profile>(); }
std::unique_ptr<IFileSystem> MakeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace tavrel::contract
