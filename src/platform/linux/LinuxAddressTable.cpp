#include "platform/linux/LinuxAddressTable.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace tavrel {

namespace {

std::uint32_t Ipv4(const sockaddr* sa) {
  if (sa == nullptr || sa->sa_family != AF_INET) return 0;
  return reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr;
}

// getifaddrs puts a broadcast address and a point-to-point peer in the same place, and where the
// kernel has no broadcast address for an address it repeats the peer or the address itself. A
// value counts as the broadcast address only on an interface that broadcasts, and only when it
// is the all-ones host of the address's own subnet.
std::uint32_t BroadcastOf(const ifaddrs& a, std::uint32_t addr, std::uint32_t mask) {
  if (!(a.ifa_flags & IFF_BROADCAST)) return 0;
  const std::uint32_t b = Ipv4(a.ifa_broadaddr);
  if (b == addr || (b & mask) != (addr & mask) || (b | mask) != 0xFFFFFFFFu) return 0;
  return b;
}

}  // namespace

std::uint32_t LinuxAddressTable::GetIpAddrTable(std::vector<MibIpAddrRow>& rows) {
  rows.clear();
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return kErrorNotSupported;
  for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    MibIpAddrRow row;
    row.dwAddr = Ipv4(a->ifa_addr);
    row.dwIndex = a->ifa_name ? ::if_nametoindex(a->ifa_name) : 0;
    row.dwMask = Ipv4(a->ifa_netmask);
    row.dwBCastAddr = BroadcastOf(*a, row.dwAddr, row.dwMask);
    row.dwReasmSize = 65535;  // the largest datagram IPv4 reassembles
    rows.push_back(row);
  }
  ::freeifaddrs(list);
  return 0;
}

}  // namespace tavrel
