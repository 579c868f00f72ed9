// The machine's TCP and address tables as both platforms give them: the rows of sockets the test
// opens itself, in the platform's row layout, sorted as the connection list expects.
#ifdef _WIN32
#include "platform/win32/Win32Api.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "contracts/Contracts.h"
#include "contracts/http_server.h"  // the socket type and its closing

namespace tavrel::contract {
namespace {

using testhttp::CloseSocket;
using testhttp::kNoSocket;
using testhttp::Socket;

constexpr std::uint32_t kListening = 2, kEstablished = 5;

std::uint32_t Loopback() {
  const std::uint8_t b[4] = {127, 0, 0, 1};
  std::uint32_t v;
  std::memcpy(&v, b, 4);
  return v;
}
// A port field: the port in network byte order in the low half.
std::uint32_t PortField(std::uint16_t port) { return htons(port); }
std::uint16_t PortOf(std::uint32_t field) { return ntohs(static_cast<std::uint16_t>(field & 0xFFFF)); }

// A listening socket on 127.0.0.1, a client connected to it and the accepted end.
class Pair {
 public:
  Pair() {
#ifdef _WIN32
    WSADATA wsa;
    ::WSAStartup(0x0202, &wsa);
#endif
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener == kNoSocket || ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener, 4) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return;
    serverPort = ntohs(a.sin_port);
    client = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
    accepted = ::accept(listener, nullptr, nullptr);
    len = sizeof a;
    ::getsockname(client, reinterpret_cast<sockaddr*>(&a), &len);
    clientPort = ntohs(a.sin_port);
  }
  ~Pair() {
    for (Socket s : {accepted, client, listener})
      if (s != kNoSocket) CloseSocket(s);
#ifdef _WIN32
    ::WSACleanup();
#endif
  }
  bool ok() const { return accepted != kNoSocket && clientPort != 0; }

  Socket listener = kNoSocket, client = kNoSocket, accepted = kNoSocket;
  std::uint16_t serverPort = 0, clientPort = 0;
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
  const std::uint32_t lo = Loopback();
  std::vector<MibTcpRow> rows{MibTcpRow{99, 1, 2, 3, 4}};  // replaced, not added to
  std::uint16_t listened = 0;
  {
    Pair p;
    ASSERT_TRUE(p.ok());
    listened = p.serverPort;
    ASSERT_EQ(table->GetTcpTable(rows), 0u);
    EXPECT_EQ(Count(rows, {kListening, lo, PortField(p.serverPort), 0, 0}), 1);
    EXPECT_EQ(Count(rows, {kEstablished, lo, PortField(p.clientPort), lo, PortField(p.serverPort)}), 1);
    EXPECT_EQ(Count(rows, {kEstablished, lo, PortField(p.serverPort), lo, PortField(p.clientPort)}), 1);
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
  const std::uint8_t mask[4] = {255, 0, 0, 0};
  std::uint32_t m;
  std::memcpy(&m, mask, 4);
  const auto lo = std::find_if(rows.begin(), rows.end(), [](const MibIpAddrRow& r) { return r.dwAddr == Loopback(); });
  ASSERT_NE(lo, rows.end());
  EXPECT_EQ(lo->dwMask, m);
  EXPECT_NE(lo->dwIndex, 0u);
  for (const auto& r : rows) EXPECT_NE(r.dwAddr, 0u);
}

}  // namespace
}  // namespace tavrel::contract
