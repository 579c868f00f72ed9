// The connection flags and the network-alive answer on Linux, from the kernel's routing table
// and link state and, where it runs, NetworkManager on the system bus.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/IConnectionState.h"

namespace tavrel {

namespace linux_platform {
class NmBus;
}

struct ConnectionStateOptions {
  // Folder that holds "route" and "ipv6_route" (the reading process's network namespace).
  std::string procNet = "/proc/self/net";
  // pppd peers (one file each) and the pppd program: a dialler is available when it is executable.
  std::string pppPeers = "/etc/ppp/peers";
  std::string pppd = "/usr/sbin/pppd";
  // Ask NetworkManager on the system bus.
  bool useNetworkManager = true;
};

// The facts one probe gathers, before they become flag words.
struct ConnectionFacts {
  bool viaModem = false;         // a default route through a running PPP or mobile-broadband link
  bool viaLan = false;           // a default route through any other running link
  bool proxy = false;            // a proxy is configured in the user's environment
  bool nmAnswers = false;        // NetworkManager answered on the system bus
  bool nmNetworkingOff = false;  // NetworkManager's networking is switched off by the user
  bool pppdAvailable = false;
  bool profilesExist = false;  // at least one phonebook entry
};

// Flag words from facts:
//   result non-zero  a default route (IPv4 or IPv6) through a link that is up and running; also
//                    when networking is switched off in NetworkManager, so that the state reads
//                    offline (0x20) rather than lost and the monitor does not redial against
//                    the user's choice
//   0x01 modem       that route's link is PPP (link type 512) or a NetworkManager device of type
//                    modem or ppp (mobile broadband)
//   0x02 LAN         that route's link is any other link (both bits when routes of both kinds)
//   0x04 proxy       http_proxy, https_proxy or all_proxy (either case) is set and not empty
//   0x08 modem busy  no counterpart on Linux: never set
//   0x10 RAS         a dialler is available: NetworkManager answers on the system bus, or pppd
//                    is executable; never while networking is switched off (then nothing is to
//                    be dialled, and the state reads offline whatever else is installed)
//   0x20 offline     NetworkManager's networking is switched off (NetworkingEnabled false)
//   0x40 configured  at least one NetworkManager profile or one pppd peer exists
// Network-alive: LAN (0x1) and WAN (0x2) bits from the same routes (LAN for 0x02, WAN for 0x01),
// never AOL; the answer is 1 when one of them is set.
int FlagsFromFacts(const ConnectionFacts& facts, std::uint32_t& flags);
int AliveFromFacts(const ConnectionFacts& facts, std::uint32_t& flags);

struct DefaultRoute {
  std::string interface;
  bool ipv6 = false;
};
// Default routes of the main table in the text of /proc/net/route and /proc/net/ipv6_route:
// destination 0 with prefix length 0, flag RTF_UP set and RTF_REJECT clear (the IPv6 table's
// "unreachable" default on lo is left out).
std::vector<DefaultRoute> ParseDefaultRoutes(const std::string& route, const std::string& ipv6Route);

class LinuxConnectionState : public IConnectionState {
 public:
  explicit LinuxConnectionState(ConnectionStateOptions options = {});
  ~LinuxConnectionState() override;

  int InternetGetConnectedState(std::uint32_t& flags) override;
  int IsNetworkAlive(std::uint32_t& flags) override;

  ConnectionFacts ReadFacts();

 private:
  ConnectionStateOptions options_;
  std::unique_ptr<linux_platform::NmBus> nm_;
};

}  // namespace tavrel
