// The machine's TCP and address tables as both platforms give them: the rows of sockets the test
// opens itself, in the platform's row layout, sorted as the connection list expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "contracts/Contracts.h"
#include "contracts/http_server.h"  // a listener, the socket headers, the socket type and its closing

namespace tavrel::contract {
namespace {

constexpr std::uint32_t kListening = 2, kEstablished = 5;

const std::uint32_t kLoopback = htonl(INADDR_LOOPBACK);
// A port field: the port in network byte order in the low half.
std::uint32_t PortField(std::uint16_t port) { return htons(port); }
std::uint16_t PortOf(std::uint32_t field) { return ntohs(static_cast<std::uint16_t>(field & 0xFFFF)); }

// A client connected to a listening server on 127.0.0.1 (whose end the server accepts).
struct Pair {
  Pair() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = kLoopback;
    a.sin_port = htons(server.Port());
    socklen_t len = sizeof a;
    if (::connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(client, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      clientPort = ntohs(a.sin_port);
  }
  ~Pair() { testhttp::CloseSocket(client); }

  testhttp::Server server{[](const testhttp::Request&) { return testhttp::Reply(); }};
  testhttp::Socket client = ::socket(AF_INET, SOCK_STREAM, 0);  // after the server, which starts Winsock
  std::uint16_t clientPort = 0;
};

int Count(const std::vector<MibTcpRow>& rows, const MibTcpRow& want) {
  return static_cast<int>(std::count_if(rows.begin(), rows.end(), [&](const MibTcpRow& r) {
    return r.dwState == want.dwState && r.dwLocalAddr == want.dwLocalAddr && r.dwLocalPort == want.dwLocalPort &&
           r.dwRemoteAddr == want.dwRemoteAddr && r.dwRemotePort == want.dwRemotePort;
  }));
}

// The order the connection list shows rows in: addresses and ports compared as numbers.
auto SortKey(const MibTcpRow& r) {
  return std::make_tuple(ntohl(r.dwLocalAddr), PortOf(r.dwLocalPort), ntohl(r.dwRemoteAddr), PortOf(r.dwRemotePort));
}

TEST(TcpTableContract, TheTestsOwnSocketsAppearWithTheirStatesInSortedOrder) {
  const auto table = MakeTcpTable();
  const std::uint32_t lo = kLoopback;
  std::vector<MibTcpRow> rows{MibTcpRow{99, 1, 2, 3, 4}};  // replaced, not added to
  std::uint16_t listened = 0;
  {
    Pair p;
    ASSERT_NE(p.clientPort, 0);
    listened = p.server.Port();
    ASSERT_EQ(table->GetTcpTable(rows), 0u);
    EXPECT_EQ(Count(rows, {kListening, lo, PortField(listened), 0, 0}), 1);
    EXPECT_EQ(Count(rows, {kEstablished, lo, PortField(p.clientPort), lo, PortField(listened)}), 1);
    EXPECT_EQ(Count(rows, {kEstablished, lo, PortField(listened), lo, PortField(p.clientPort)}), 1);
    EXPECT_EQ(Count(rows, MibTcpRow{99, 1, 2, 3, 4}), 0);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                               [](const MibTcpRow& a, const MibTcpRow& b) { return SortKey(a) < SortKey(b); }));
  }
  // A closed listener leaves the table at once (the connection's ends may linger while closing).
  ASSERT_EQ(table->GetTcpTable(rows), 0u);
  EXPECT_EQ(Count(rows, {kListening, lo, PortField(listened), 0, 0}), 0);
}

TEST(AddressTableContract, LoopbackIsListedWithItsMask) {
  const auto table = MakeAddressTable();
  std::vector<MibIpAddrRow> rows;
  ASSERT_EQ(table->GetIpAddrTable(rows), 0u);
  const auto lo = std::find_if(rows.begin(), rows.end(), [](const MibIpAddrRow& r) { return r.dwAddr == kLoopback; });
  ASSERT_NE(lo, rows.end());
  EXPECT_EQ(lo->dwMask, htonl(0xFF000000u));
  EXPECT_NE(lo->dwIndex, 0u);
  for (const auto& r : rows) EXPECT_NE(r.dwAddr, 0u);
}

}  // namespace
}  // namespace tavrel::contract
