// The Win32 implementations under the contracts.
#include "contracts/Contracts.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32NetTables.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Sockets.h"
#include "platform/win32/WinInetDownloader.h"

namespace tavrel::contract {

std::unique_ptr<IDownloader> MakeDownloader(milliseconds connect, milliseconds stall, milliseconds total) {
  WinInetDownloader::Limits limits;
  limits.connect = connect;
  limits.stall = stall;
  limits.total = total;
  limits.base = total;
  return std::make_unique<WinInetDownloader>(limits);
}

std::unique_ptr<ITcpTable> MakeTcpTable() { return std::make_unique<Win32TcpTable>(); }
std::unique_ptr<IAddressTable> MakeAddressTable() { return std::make_unique<Win32AddressTable>(); }
std::unique_ptr<ISockets> MakeSockets() { return std::make_unique<Win32Sockets>(); }
std::unique_ptr<IProfile> MakeProfile() { return std::make_unique<Win32Profile>(); }
std::unique_ptr<IFileSystem> MakeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace tavrel::contract
