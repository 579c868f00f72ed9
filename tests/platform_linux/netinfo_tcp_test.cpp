// The TCP table read from the kernel: live connections inside a private network namespace, and
// the /proc/net/tcp reader against recorded text.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>

#include "netinfo_netns.h"
#include "platform/linux/LinuxTcpTable.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

using Source = LinuxTcpTable::Source;
using Rows = std::vector<MibTcpRow>;
using Key = std::tuple<std::uint32_t, std::uint16_t, std::uint32_t, std::uint16_t>;

const std::uint32_t kLo = htonl(INADDR_LOOPBACK);

// Local address and port, remote address and port, in host order.
Key KeyOf(const MibTcpRow& r) {
  return {ntohl(r.dwLocalAddr), ntohs(static_cast<std::uint16_t>(r.dwLocalPort)), ntohl(r.dwRemoteAddr),
          ntohs(static_cast<std::uint16_t>(r.dwRemotePort))};
}

// An IPv4 TCP socket closed with the object.
struct Socket {
  explicit Socket(int f = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) : fd(f) {}
  Socket(Socket&& o) noexcept : fd(std::exchange(o.fd, -1)) {}
  ~Socket() { Close(); }
  void Close() {
    if (fd >= 0) ::close(std::exchange(fd, -1));
  }
  std::uint16_t Port() const {
    sockaddr_in a{};
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    return ntohs(a.sin_port);
  }
  int fd;
};

Socket Listener(std::uint32_t addr) {
  Socket s;
  const sockaddr_in a{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {addr}, .sin_zero = {}};
  EXPECT_EQ(::bind(s.fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0) << std::strerror(errno);
  EXPECT_EQ(::listen(s.fd, 8), 0);
  return s;
}

// A client connected to the loopback listener, and the accepted end.
std::pair<Socket, Socket> Connection(const Socket& listener) {
  Socket c;
  const sockaddr_in a{.sin_family = AF_INET, .sin_port = htons(listener.Port()), .sin_addr = {kLo}, .sin_zero = {}};
  EXPECT_EQ(::connect(c.fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0) << std::strerror(errno);
  return {std::move(c), Socket(::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC))};
}

// The state of the row with these ends, or 0 when there is none.
std::uint32_t State(const Rows& rows, std::uint32_t local, std::uint16_t lport, std::uint32_t remote,
                    std::uint16_t rport) {
  for (const auto& r : rows)
    if (KeyOf(r) == Key{ntohl(local), lport, ntohl(remote), rport}) return r.dwState;
  return 0;
}

#define ENTER_PRIVATE_NETNS(ns) \
  nettest::PrivateNetns ns;     \
  if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error()

// The states of closing connections and a listener on every address, which need the kernel to be
// asked for every state (open ones and the sorted order are the contract's, tests/contracts).
TEST(LinuxTcpTableLive, FindsListenersAndConnectionsInEveryState) {
  ENTER_PRIVATE_NETNS(ns);
  LinuxTcpTable table;
  Rows rows;
  ASSERT_EQ(table.GetTcpTable(rows), 0u);
  EXPECT_TRUE(rows.empty()) << "a fresh namespace has no connections";

  Socket any = Listener(htonl(INADDR_ANY)), server = Listener(kLo);
  const std::uint16_t sp = server.Port();
  auto [c1, s1] = Connection(server);  // client closes first: time wait on its side
  auto [c2, s2] = Connection(server);  // server closes first: close wait / fin wait 2
  c1.Close();
  s1.Close();
  s2.Close();
  const std::uint16_t cp = c2.Port();
  const auto timeWait = [&] {
    return std::count_if(rows.begin(), rows.end(),
                         [&](const MibTcpRow& r) { return std::get<3>(KeyOf(r)) == sp && r.dwState == 11; });
  };
  // The kernel moves the ends on at once on loopback; a loaded machine may take a moment.
  EXPECT_TRUE(testutil::WaitFor([&] {
    return table.GetTcpTable(rows) == 0 && State(rows, kLo, cp, kLo, sp) == 8 && State(rows, kLo, sp, kLo, cp) == 7 &&
           timeWait() == 1;
  })) << "close wait, fin wait 2, time wait";
  EXPECT_EQ(table.LastSource(), Source::kNetlink);
  EXPECT_EQ(State(rows, kLo, sp, 0, 0), 2u) << "listening";
  EXPECT_EQ(State(rows, 0, any.Port(), 0, 0), 2u) << "listening on every address";
  EXPECT_EQ(rows.size(), 5u) << "two listeners, two pairs less the closed ends";
}

// Recorded in a namespace with listeners on 0.0.0.0:22, 127.0.0.1:5000 and 127.0.0.1:49152
// (its queue full) and connections to them in several states, plus damaged lines.
constexpr const char* kRecorded =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
    "   0: 00000000:0016 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 67586 1 "
    "0000000089cf8646 100 0 0 10 0\n"
    "   1: 0100007F:C000 00000000:0000 0A 00000000:00000001 00:00000000 00000000     0        0 67593 2 "
    "0000000006fc3a41 100 0 0 10 0\n"
    "   2: 0100007F:1388 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 67585 1 "
    "00000000812c6cb0 100 0 0 10 0\n"
    "   3: 0100007F:B03E 0100007F:1388 01 00000000:00000000 00:00000000 00000000     0        0 67587 2 "
    "000000003140660e 20 0 0 10 -1\n"
    "   4: 0100007F:B044 0100007F:1388 06 00000000:00000000 03:0000175B 00000000     0        0 0 3 00000000bde2774a\n"
    "   5: 0100007F:B04E 0100007F:1388 08 00000000:00000001 00:00000000 00000000     0        0 67591 2 "
    "0000000023cd5144 20 4 0 10 -1\n"
    "   7: 0100007F:C50A 0100007F:C000 02 00000001:00000000 01:0000004F 00000000     0        0 67595 2 "
    "0000000009df91c1 100 0 0 10 -1\n"
    "  12: 0100007F:1388 0100007F:B04E 05 00000000:00000000 03:0000175B 00000000     0        0 0 3 00000000e1ed73c1\n"
    "  13: 0A00A8C0:0050 6401A8C0:FFFF 0B 00000000:00000000 00:00000000 00000000     0        0 1 1\n"
    "  14: 0100007F:1388 0100007F\n"            // cut off
    "  15: 0100007G:1388 0100007F:B04E 01 0\n"  // not hexadecimal
    "  16: 0100007F:1388 0100007F:B04E 0\n"     // state cut short
    "  xx: 0100007F:1388 0100007F:B04E 01 0\n"  // no slot number
    "\n"
    "  17: 0100007F:2000 0100007F:2001 01";  // last line without a line end

TEST(ProcNetTcp, ReadsTheRecordedTableAndNothingFromForeignText) {
  Rows rows;
  linuxtcp::ParseProcNetTcp(kRecorded, rows);
  const std::uint32_t lo = INADDR_LOOPBACK, host = 0xC0A8000A, peer = 0xC0A80164;  // 192.168.0.10, .1.100
  const std::vector<std::pair<std::uint32_t, Key>> expected = {
      {2, {0, 22, 0, 0}},           {2, {lo, 49152, 0, 0}},     {2, {lo, 5000, 0, 0}},       {5, {lo, 45118, lo, 5000}},
      {11, {lo, 45124, lo, 5000}},  {8, {lo, 45134, lo, 5000}}, {3, {lo, 50442, lo, 49152}}, {7, {lo, 5000, lo, 45134}},
      {9, {host, 80, peer, 65535}}, {5, {lo, 8192, lo, 8193}},
  };
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].dwState, expected[i].first) << i;
    EXPECT_EQ(KeyOf(rows[i]), expected[i].second) << i;
  }
  // Sorted by local address, local port, remote address, remote port, as numbers, not as the
  // bytes the kernel stores: 10.0.0.2 comes before 127.0.0.1 and 127.0.0.2, port 2 before 256.
  const auto row = [](const char* local, std::uint16_t lport, const char* remote, std::uint16_t rport) {
    in_addr l{}, r{};
    ::inet_pton(AF_INET, local, &l), ::inet_pton(AF_INET, remote, &r);
    return MibTcpRow{5, l.s_addr, htons(lport), r.s_addr, htons(rport)};
  };
  rows = {row("127.0.0.2", 1, "10.0.0.9", 1),  row("127.0.0.1", 256, "10.0.0.9", 1),
          row("127.0.0.1", 2, "127.0.0.2", 1), row("127.0.0.1", 2, "10.0.0.9", 256),
          row("127.0.0.1", 2, "10.0.0.9", 2),  row("10.0.0.2", 9, "10.0.0.9", 1)};
  linuxtcp::SortRows(rows);
  const std::uint32_t ten2 = 0x0A000002, ten9 = 0x0A000009;
  const std::vector<Key> sorted = {Key{ten2, 9, ten9, 1}, Key{lo, 2, ten9, 2},   Key{lo, 2, ten9, 256},
                                   Key{lo, 2, lo + 1, 1}, Key{lo, 256, ten9, 1}, Key{lo + 1, 1, ten9, 1}};
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(KeyOf(rows[i]), sorted[i]) << i;

  rows.clear();
  linuxtcp::ParseProcNetTcp("", rows);
  linuxtcp::ParseProcNetTcp("not a table\n\n\n", rows);
  linuxtcp::ParseProcNetTcp(std::string_view("\0\0\0", 3), rows);
  EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace tavrel
