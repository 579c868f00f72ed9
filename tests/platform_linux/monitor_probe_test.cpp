// The Linux connection probe: the flag mapping, the route tables as the kernel writes them, and
// the probe live inside network namespaces made by the test.
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/modConnection.h"
#include "platform/linux/LinuxConnectionState.h"
#include "platform/linux/ProcessRunner.h"
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
// Live, inside two network namespaces joined by a veth pair.

// Runs ip with the arguments; what it wrote, or nothing when it failed.
std::optional<std::string> Ip(const std::vector<std::string>& args) {
  linux_platform::ProcessRequest s;
  s.argv = {"ip"};
  s.argv.insert(s.argv.end(), args.begin(), args.end());
  s.timeout = std::chrono::seconds(10);
  const auto r = linux_platform::RunProcess(s);
  if (!r.started || r.exitCode != 0) return std::nullopt;
  return r.out;
}

struct ProbeAnswer {
  int result = -1;
  std::uint32_t flags = 0;
  int alive = -1;
  std::uint32_t aliveFlags = 0;
  std::string text;
};

class LiveProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string id = std::to_string(::getpid());
    client = "tavprobec" + id;
    isp = "tavprobei" + id;
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to create network namespaces";
    if (!Ip({"netns", "add", client})) GTEST_SKIP() << "cannot create network namespaces here";
    made = true;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"netns", "add", isp},
             {"-n", client, "link", "add", "v0", "type", "veth", "peer", "name", "v1", "netns", isp},
             {"-n", client, "addr", "add", "10.78.0.2/24", "dev", "v0"},
             {"-n", isp, "addr", "add", "10.78.0.1/24", "dev", "v1"},
             {"-n", isp, "link", "set", "v1", "up"},
             {"-n", client, "link", "set", "v0", "up"},
             {"-n", client, "link", "set", "lo", "up"}})
      ASSERT_TRUE(Ip(args)) << args.back();
    // The kernel reports a new carrier with a short delay.
    ASSERT_TRUE(testutil::WaitFor([&] {
      const std::string link = Ip({"-n", client, "link", "show", "v0"}).value_or("");
      return link.find("LOWER_UP") != std::string::npos && link.find(",UP") != std::string::npos;
    })) << "v0 never got its carrier";
  }
  void TearDown() override {
    if (!made) return;
    Ip({"netns", "del", client});
    Ip({"netns", "del", isp});
  }

  // Runs one probe in a child that has entered the client namespace.
  ProbeAnswer Probe() {
    ProbeAnswer a;
    int p[2];
    if (::pipe(p) != 0) return a;
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int fd = ::open(("/run/netns/" + client).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) ::_exit(2);
      for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        ::unsetenv(v);
      ConnectionStateOptions o;
      o.pppPeers = o.pppd = "/nonexistent";
      LinuxConnectionState probe(o);
      std::uint32_t flags = 0, alive = 0;
      const int r = probe.InternetGetConnectedState(flags);
      const int al = probe.IsNetworkAlive(alive);
      const std::string out = std::to_string(r) + " " + std::to_string(flags) + " " + std::to_string(al) + " " +
                              std::to_string(alive) + " " + modConnection::ConnectionStateText(probe);
      ::_exit(::write(p[1], out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0 : 3);
    }
    ::close(p[1]);
    std::string got;
    char buf[512];
    for (ssize_t n; (n = ::read(p[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    ::close(p[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return a;
    std::istringstream in(got);
    in >> a.result >> a.flags >> a.alive >> a.aliveFlags;
    in.get();
    std::getline(in, a.text, '\0');
    return a;
  }

  std::string client, isp;
  bool made = false;
};

TEST_F(LiveProbe, DefaultRouteMeansOnlineThroughALanIPv4OrIPv6) {
  ProbeAnswer a = Probe();
  EXPECT_EQ(a.result, 0) << "no default route yet";
  EXPECT_EQ(a.text, modConnection::NotConnectedText);

  ASSERT_TRUE(Ip({"-n", client, "route", "add", "default", "via", "10.78.0.1"}));
  a = Probe();
  EXPECT_NE(a.result, 0);
  EXPECT_EQ(a.flags & (INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_MODEM), INTERNET_CONNECTION_LAN);
  EXPECT_EQ(a.alive, 1);
  EXPECT_EQ(a.aliveFlags, NETWORK_ALIVE_LAN);
  EXPECT_NE(a.text, modConnection::NotConnectedText);
  EXPECT_NE(a.text, modConnection::OfflineText);

  ASSERT_TRUE(Ip({"-n", client, "route", "del", "default"}));
  a = Probe();
  EXPECT_EQ(a.result, 0);
  EXPECT_EQ(a.alive, 0);
  EXPECT_EQ(a.text, "Not connected to the internet.");

  ASSERT_TRUE(Ip({"-n", client, "-6", "addr", "add", "fd00:78::2/64", "dev", "v0", "nodad"}));
  ASSERT_TRUE(Ip({"-n", isp, "-6", "addr", "add", "fd00:78::1/64", "dev", "v1", "nodad"}));
  ASSERT_TRUE(Ip({"-n", client, "-6", "route", "add", "default", "via", "fd00:78::1", "dev", "v0"}));
  a = Probe();
  EXPECT_NE(a.result, 0);
  EXPECT_TRUE(a.flags & INTERNET_CONNECTION_LAN);
}

TEST_F(LiveProbe, LinkLossMeansNotConnectedEvenWithTheRouteInPlace) {
  ASSERT_TRUE(Ip({"-n", client, "route", "add", "default", "via", "10.78.0.1"}));
  ASSERT_NE(Probe().result, 0);
  // The ISP side goes down: the client's link loses its carrier, the route stays.
  // (the kernel notes a carrier change within a second)
  ASSERT_TRUE(Ip({"-n", isp, "link", "set", "v1", "down"}));
  EXPECT_TRUE(testutil::WaitFor([&] { return Probe().text == "Not connected to the internet."; }));
  EXPECT_NE(Ip({"-n", client, "route", "show", "default"}).value_or("").find("default via 10.78.0.1"),
            std::string::npos);
  ASSERT_TRUE(Ip({"-n", isp, "link", "set", "v1", "up"}));
  EXPECT_TRUE(testutil::WaitFor([&] { return Probe().result != 0; }));
  // The client's own link set down takes its routes with it.
  ASSERT_TRUE(Ip({"-n", client, "link", "set", "v0", "down"}));
  EXPECT_EQ(Probe().text, "Not connected to the internet.");
}

}  // namespace
}  // namespace tavrel
