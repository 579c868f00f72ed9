// The Linux connection probe: the flag mapping, the route tables as the kernel writes them, and
// the probe live inside network namespaces made by the test.
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "monitor/modConnection.h"
#include "netinfo_netns.h"
#include "platform/linux/LinuxConnectionState.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

TEST(ProbeMapping, FactsBecomeFlagsAndAliveBits) {
  // Facts by letter: Modem route, Lan route, Proxy, NetworkManager answers, networking Off,
  // pppD available, profiles Exist.
  const struct {
    const char* facts;
    int result;
    std::uint32_t flags;
    int alive;
    std::uint32_t aliveFlags;
  } cases[] = {
      {"", 0, 0, 0, 0},
      {"L", 1, 0x02, 1, NETWORK_ALIVE_LAN},
      {"M", 1, 0x01, 1, NETWORK_ALIVE_WAN},
      {"LM", 1, 0x03, 1, NETWORK_ALIVE_LAN | NETWORK_ALIVE_WAN},
      {"P", 0, 0x04, 0, 0},
      {"LNE", 1, 0x02 | 0x10 | 0x40, 1, NETWORK_ALIVE_LAN},
      // Networking switched off: offline alone (the monitor never redials), whatever dialler is
      // installed and whatever link still has a route.
      {"NO", 1, 0x20, 0, 0},
      {"NOD", 1, 0x20, 0, 0},
      {"LNODE", 1, 0x02 | 0x20 | 0x40, 1, NETWORK_ALIVE_LAN},
      {"D", 0, 0x10, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.facts);
    const auto is = [&](char letter) { return std::string(c.facts).find(letter) != std::string::npos; };
    const ConnectionFacts f{is('M'), is('L'), is('P'), is('N'), is('O'), is('D'), is('E')};
    std::uint32_t flags = 0xdead, alive = 0xdead;
    EXPECT_EQ(FlagsFromFacts(f, flags), c.result);
    EXPECT_EQ(flags, c.flags);  // never 0x08 (modem busy)
    EXPECT_EQ(AliveFromFacts(f, alive), c.alive);
    EXPECT_EQ(alive, c.aliveFlags);  // never the AOL bit
  }
}

TEST(ProbeRoutes, DefaultRoutesFromTheKernelTables) {
  // As the kernel writes them: a default route via eth0, a LAN route, a rejected default.
  const std::string v4 =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
      "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
      "wlan0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n"
      "ppp0\t00000000\t00000000\t0000\t0\t0\t0\t00000000\t0\t0\t0\n"
      "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000080\t0\t0\t0\n";
  const std::string v6 =
      "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth1\n"
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "fe800000000000000000000000000001 00000400 00000001 00000000 00000003     wwan0\n"
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
  const auto routes = ParseDefaultRoutes(v4, v6);
  ASSERT_EQ(routes.size(), 2u);
  EXPECT_EQ(routes[0].interface, "eth0");
  EXPECT_FALSE(routes[0].ipv6);
  EXPECT_EQ(routes[1].interface, "wwan0");
  EXPECT_TRUE(routes[1].ipv6);
  EXPECT_TRUE(ParseDefaultRoutes("", "").empty());
  EXPECT_TRUE(ParseDefaultRoutes("garbage\nx y\n", "short line\n").empty());
}

// ---------------------------------------------------------------------------------------------
// Live, inside a network namespace that the test makes.

// Runs ip with the arguments; what it wrote, or nothing when it failed.
std::optional<std::string> Ip(std::vector<std::string> args) {
  args.insert(args.begin(), "ip");
  const auto r = testutil::Run(std::move(args));
  return r.exitCode == 0 ? std::optional(r.out) : std::nullopt;
}

struct ProbeAnswer {
  int result = -1;
  std::uint32_t flags = 0;
  int alive = -1;
  std::uint32_t aliveFlags = 0;
};

// A veth pair inside a network namespace of this thread's own: v0 is the client's link, v1 the
// ISP's end. The probe and ip both act in this thread's namespace. What the monitor makes of the
// answers is the behaviour's own (tests/monitor).
class LiveProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error();
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"link", "add", "v0", "type", "veth", "peer", "name", "v1"},
                                               {"addr", "add", "10.78.0.2/24", "dev", "v0"},
                                               {"link", "set", "v1", "up"},
                                               {"link", "set", "v0", "up"}})
      ASSERT_TRUE(Ip(args)) << args.back();
    // The kernel reports a new carrier with a short delay.
    ASSERT_TRUE(testutil::WaitFor([&] {
      const std::string link = Ip({"link", "show", "v0"}).value_or("");
      return link.find("LOWER_UP") != std::string::npos && link.find(",UP") != std::string::npos;
    })) << "v0 never got its carrier";
  }

  static ProbeAnswer Probe() {
    ConnectionStateOptions o;
    o.procNet = "/proc/thread-self/net";
    o.pppPeers = o.pppd = "/nonexistent";
    LinuxConnectionState probe(o);
    ProbeAnswer a;
    a.result = probe.InternetGetConnectedState(a.flags);
    a.alive = probe.IsNetworkAlive(a.aliveFlags);
    return a;
  }

  nettest::PrivateNetns ns;
};

TEST_F(LiveProbe, ADefaultRouteOverALinkWithItsCarrierIsOnlineThroughTheLan) {
  EXPECT_EQ(Probe().result, 0) << "no default route yet";
  ASSERT_TRUE(Ip({"route", "add", "default", "via", "10.78.0.1"}));
  ProbeAnswer a = Probe();
  EXPECT_NE(a.result, 0);
  EXPECT_EQ(a.flags & (INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_MODEM), INTERNET_CONNECTION_LAN);
  EXPECT_EQ(a.alive, 1);
  EXPECT_EQ(a.aliveFlags, NETWORK_ALIVE_LAN);

  // The ISP side goes down: the client's link loses its carrier, the route stays.
  ASSERT_TRUE(Ip({"link", "set", "v1", "down"}));
  EXPECT_TRUE(testutil::WaitFor([&] { return Probe().result == 0; }));
  EXPECT_NE(Ip({"route", "show", "default"}).value_or("").find("default via 10.78.0.1"), std::string::npos);
  EXPECT_EQ(Probe().alive, 0);
  ASSERT_TRUE(Ip({"link", "set", "v1", "up"}));
  EXPECT_TRUE(testutil::WaitFor([&] { return Probe().result != 0; }));

  // Without the IPv4 route, an IPv6 one.
  ASSERT_TRUE(Ip({"route", "del", "default"}));
  EXPECT_EQ(Probe().result, 0);
  ASSERT_TRUE(Ip({"-6", "addr", "add", "fd00:78::2/64", "dev", "v0", "nodad"}));
  ASSERT_TRUE(Ip({"-6", "route", "add", "default", "via", "fd00:78::1", "dev", "v0"}));
  a = Probe();
  EXPECT_NE(a.result, 0);
  EXPECT_TRUE(a.flags & INTERNET_CONNECTION_LAN);
}

}  // namespace
}  // namespace tavrel
