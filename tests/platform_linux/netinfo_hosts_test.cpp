// Interface addresses and host name lookup on Linux.
#include <arpa/inet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>

#include "netinfo_netns.h"
#include "platform/linux/LinuxAddressTable.h"
#include "platform/linux/LinuxSockets.h"
#include "platform/linux/StopRequest.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

std::uint32_t A(const char* dotted) {
  in_addr a{};
  EXPECT_EQ(::inet_pton(AF_INET, dotted, &a), 1) << dotted;
  return a.s_addr;
}

bool Shell(const std::string& command) { return std::system((command + " 2>&1").c_str()) == 0; }

TEST(LinuxAddressTable, ListsEveryIPv4AddressWithMaskAndBroadcastInKernelOrder) {
  nettest::PrivateNetns ns;
  if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error();
  // Made inside the namespace only; they vanish with it.
  if (!Shell("ip link add nt0 type veth peer name nt1")) GTEST_SKIP() << "cannot make a veth pair inside the namespace";
  ASSERT_TRUE(Shell("ip link set nt0 up"));
  ASSERT_TRUE(Shell("ip addr add 10.9.8.7/24 brd + dev nt0"));
  ASSERT_TRUE(Shell("ip addr add 172.16.5.1/16 brd + dev nt0"));
  ASSERT_TRUE(Shell("ip addr add 10.20.0.1 peer 10.20.0.2 dev nt0"));
  ASSERT_TRUE(Shell("ip addr add 10.9.8.8/24 dev nt0"));  // no broadcast address given

  LinuxAddressTable table;
  std::vector<MibIpAddrRow> rows;
  ASSERT_EQ(table.GetIpAddrTable(rows), 0u);
  // Loopback, then nt0's addresses in the order they were added: address, mask, broadcast field.
  const std::vector<std::array<const char*, 3>> expected = {{"127.0.0.1", "255.0.0.0", "0.0.0.0"},
                                                            {"10.9.8.7", "255.255.255.0", "10.9.8.255"},
                                                            {"172.16.5.1", "255.255.0.0", "172.16.255.255"},
                                                            {"10.20.0.1", "255.255.255.255", "0.0.0.0"},  // a peer
                                                            {"10.9.8.8", "255.255.255.0", "0.0.0.0"}};
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(expected[i][0]);
    EXPECT_EQ(rows[i].dwAddr, A(expected[i][0]));
    EXPECT_EQ(rows[i].dwMask, A(expected[i][1]));
    EXPECT_EQ(rows[i].dwBCastAddr, A(expected[i][2]));
    EXPECT_EQ(rows[i].dwIndex, ::if_nametoindex(i == 0 ? "lo" : "nt0"));
  }
}

// The name comes from a hosts file of the test's own, mounted over /etc/hosts in a private mount
// namespace of a child process: no name server is asked, the machine's file is not relied on.
TEST(LinuxSockets, ResolvesFromTheHostsFile) {
  testutil::Scratch dir;
  const std::string hosts = dir / "hosts";
  ASSERT_TRUE(testutil::Spit(hosts, "# the test's own\n10.11.12.13  tavrel-test-box  box.tavrel.test\n"));
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0)
      ::_exit(77);
    LinuxSockets sockets;
    const auto a = sockets.gethostbyname("tavrel-test-box");
    const auto b = sockets.gethostbyname("box.tavrel.test");
    const std::vector<std::uint8_t> want{10, 11, 12, 13};
    ::_exit(a == want && b == want && !sockets.gethostbyname("").has_value() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private mount namespace here (needs root)";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the names of the test's hosts file were not resolved to 10.11.12.13";
}

// The program is stopping (a signal came): no lookup starts.
TEST(LinuxSockets, NoLookupWhileAStopIsRequested) {
  LinuxSockets sockets;
  linux_platform::RequestStop();
  const bool stopped = !sockets.gethostbyname("localhost").has_value();
  linux_platform::ClearStopRequest();
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(sockets.gethostbyname("localhost").has_value());
}

}  // namespace
}  // namespace tavrel
