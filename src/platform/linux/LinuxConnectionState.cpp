#include "platform/linux/LinuxConnectionState.h"

#include <dirent.h>
#include <fcntl.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/linux/Descriptors.h"
#include "platform/linux/NmBus.h"

namespace tavrel {

namespace {

// Reads a small file whole (a /proc table); empty when it cannot be read.
std::string ReadSmallFile(const std::string& path) {
  return linux_platform::ReadWholeFile(path, 1 << 20).value_or(std::string());
}

bool EnvSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

bool ProxyInEnvironment() {
  static const char* const kNames[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                       "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};
  for (const char* n : kNames)
    if (EnvSet(n)) return true;
  return false;
}

bool HasEntries(const std::string& folder) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return false;
  bool found = false;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const std::size_t len = std::strlen(e->d_name);
    if (len && e->d_name[len - 1] == '~') continue;
    found = true;
    break;
  }
  ::closedir(d);
  return found;
}

struct LinkState {
  bool exists = false;
  bool upAndRunning = false;
  bool ppp = false;
  int index = 0;
};

LinkState ReadLink(int sock, const std::string& name) {
  LinkState s;
  if (sock < 0 || name.empty() || name.size() >= IFNAMSIZ) return s;
  ifreq ifr{};
  std::memcpy(ifr.ifr_name, name.c_str(), name.size());
  if (::ioctl(sock, SIOCGIFFLAGS, &ifr) != 0) return s;
  s.exists = true;
  s.upAndRunning = (ifr.ifr_flags & IFF_UP) && (ifr.ifr_flags & IFF_RUNNING);
  if (::ioctl(sock, SIOCGIFHWADDR, &ifr) == 0) s.ppp = ifr.ifr_hwaddr.sa_family == ARPHRD_PPP;
  if (::ioctl(sock, SIOCGIFINDEX, &ifr) == 0) s.index = ifr.ifr_ifindex;
  return s;
}

}  // namespace

int FlagsFromFacts(const ConnectionFacts& f, std::uint32_t& flags) {
  flags = 0;
  if (f.viaModem) flags |= INTERNET_CONNECTION_MODEM;
  if (f.viaLan) flags |= INTERNET_CONNECTION_LAN;
  if (f.proxy) flags |= INTERNET_CONNECTION_PROXY;
  // With networking switched off nothing is to be dialled: the state must read offline, and the
  // RAS text (which the state text puts after the offline one) would read as online.
  if (!f.nmNetworkingOff && (f.nmAnswers || f.pppdAvailable)) flags |= INTERNET_RAS_INSTALLED;
  if (f.nmNetworkingOff) flags |= INTERNET_CONNECTION_OFFLINE;
  if (f.profilesExist) flags |= INTERNET_CONNECTION_CONFIGURED;
  return (f.viaModem || f.viaLan || f.nmNetworkingOff) ? 1 : 0;
}

int AliveFromFacts(const ConnectionFacts& f, std::uint32_t& flags) {
  flags = 0;
  if (f.viaLan) flags |= NETWORK_ALIVE_LAN;
  if (f.viaModem) flags |= NETWORK_ALIVE_WAN;
  return flags ? 1 : 0;
}

std::vector<DefaultRoute> ParseDefaultRoutes(const std::string& route, const std::string& ipv6Route) {
  constexpr unsigned long kRtfUp = 0x0001, kRtfReject = 0x0200;
  std::vector<DefaultRoute> out;
  // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT (hex fields)
  std::istringstream v4(route);
  std::string line;
  std::getline(v4, line);  // header
  while (std::getline(v4, line)) {
    std::istringstream f(line);
    std::string iface, dest, gw, flags, ref, use, metric, mask;
    if (!(f >> iface >> dest >> gw >> flags >> ref >> use >> metric >> mask)) continue;
    const unsigned long fl = std::strtoul(flags.c_str(), nullptr, 16);
    if (std::strtoul(dest.c_str(), nullptr, 16) != 0 || std::strtoul(mask.c_str(), nullptr, 16) != 0) continue;
    if (!(fl & kRtfUp) || (fl & kRtfReject)) continue;
    out.push_back({iface, false});
  }
  // dest(32 hex) dest_len src(32) src_len next_hop(32) metric refcnt use flags iface (no header)
  std::istringstream v6(ipv6Route);
  while (std::getline(v6, line)) {
    std::istringstream f(line);
    std::string dest, dlen, src, slen, hop, metric, ref, use, flags, iface;
    if (!(f >> dest >> dlen >> src >> slen >> hop >> metric >> ref >> use >> flags >> iface)) continue;
    if (dest != std::string(32, '0') || dlen != "00") continue;
    const unsigned long fl = std::strtoul(flags.c_str(), nullptr, 16);
    if (!(fl & kRtfUp) || (fl & kRtfReject) || iface == "lo") continue;
    out.push_back({iface, true});
  }
  return out;
}

LinuxConnectionState::LinuxConnectionState(ConnectionStateOptions options) : options_(std::move(options)) {
  if (options_.useNetworkManager) nm_ = std::make_unique<linux_platform::NmBus>();
}

LinuxConnectionState::~LinuxConnectionState() = default;

ConnectionFacts LinuxConnectionState::ReadFacts() {
  ConnectionFacts f;
  const auto routes =
      ParseDefaultRoutes(ReadSmallFile(options_.procNet + "/route"), ReadSmallFile(options_.procNet + "/ipv6_route"));
  if (!routes.empty()) {
    // Link facts through the socket interface: they follow the caller's network namespace.
    const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int s = sock >= 0 ? sock : ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    for (const auto& r : routes) {
      const LinkState link = ReadLink(s, r.interface);
      if (!link.upAndRunning) continue;
      bool modem = link.ppp;
      if (!modem && nm_) {
        const auto type = nm_->DeviceTypeOf(r.interface, link.index);
        modem = type && (*type == linux_platform::kNmDeviceTypeModem || *type == linux_platform::kNmDeviceTypePpp);
      }
      (modem ? f.viaModem : f.viaLan) = true;
    }
    if (s >= 0) ::close(s);
  }
  f.proxy = ProxyInEnvironment();
  f.pppdAvailable = ::access(options_.pppd.c_str(), X_OK) == 0;
  f.profilesExist = HasEntries(options_.pppPeers);
  if (nm_) {
    if (const auto enabled = nm_->NetworkingEnabled()) {
      f.nmAnswers = true;
      f.nmNetworkingOff = !*enabled;
      if (!f.profilesExist) f.profilesExist = nm_->ProfileCount().value_or(0) > 0;
    }
  }
  return f;
}

int LinuxConnectionState::InternetGetConnectedState(std::uint32_t& flags) { return FlagsFromFacts(ReadFacts(), flags); }

int LinuxConnectionState::IsNetworkAlive(std::uint32_t& flags) { return AliveFromFacts(ReadFacts(), flags); }

}  // namespace tavrel
