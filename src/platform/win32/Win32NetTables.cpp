#include "platform/win32/Win32NetTables.h"

#include "platform/win32/Win32Api.h"

#include <iphlpapi.h>

namespace tavrel {

namespace {

constexpr int kReadAttempts = 4;

// The size-query protocol: the size first (a null buffer), then the table into a buffer of that
// size, again with the new size while the table keeps growing in between. sort: whether the
// read asks for the table sorted (the size query always does, as it costs nothing there).
template <typename Table, typename Call>
DWORD ReadTable(std::vector<unsigned char>& buffer, BOOL sort, Call call) {
  ULONG size = 0;
  DWORD r = call(nullptr, &size, TRUE);
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (r != ERROR_INSUFFICIENT_BUFFER && r != NO_ERROR) return r;
    if (size < sizeof(DWORD)) return ERROR_NO_DATA;
    buffer.resize(size);
    r = call(reinterpret_cast<Table*>(buffer.data()), &size, sort);
    if (r == NO_ERROR) return NO_ERROR;
  }
  return r;
}

}  // namespace

std::uint32_t Win32TcpTable::GetTcpTable(std::vector<MibTcpRow>& rows) {
  rows.clear();
  const DWORD r = ReadTable<MIB_TCPTABLE>(
      buffer_, TRUE, [](MIB_TCPTABLE* t, ULONG* size, BOOL sort) { return ::GetTcpTable(t, size, sort); });
  if (r != NO_ERROR) return r;
  const auto* table = reinterpret_cast<const MIB_TCPTABLE*>(buffer_.data());
  rows.reserve(table->dwNumEntries);
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_TCPROW& n = table->table[i];
    rows.push_back({n.dwState, n.dwLocalAddr, n.dwLocalPort, n.dwRemoteAddr, n.dwRemotePort});
  }
  return 0;
}

std::uint32_t Win32AddressTable::GetIpAddrTable(std::vector<MibIpAddrRow>& rows) {
  rows.clear();
  std::vector<unsigned char> buffer;
  const DWORD r = ReadTable<MIB_IPADDRTABLE>(
      buffer, FALSE, [](MIB_IPADDRTABLE* t, ULONG* size, BOOL sort) { return ::GetIpAddrTable(t, size, sort); });
  if (r != NO_ERROR) return r;
  const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IPADDRROW& n = table->table[i];
    MibIpAddrRow row;
    row.dwAddr = n.dwAddr;
    row.dwIndex = n.dwIndex;
    row.dwMask = n.dwMask;
    row.dwBCastAddr = n.dwBCastAddr;
    row.dwReasmSize = n.dwReasmSize;
    row.unused1 = n.unused1;
    row.wType = n.wType;
    rows.push_back(row);
  }
  return 0;
}

}  // namespace tavrel
