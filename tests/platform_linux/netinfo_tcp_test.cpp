// The TCP table read from the kernel: live connections inside a private network namespace, the
// kernel-state translation, and the /proc/net/tcp reader against recorded text.
#include <arpa/inet.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "netinfo_netns.h"
#include "platform/linux/LinuxTcpTable.h"

namespace tavrel {
namespace {

using Source = LinuxTcpTable::Source;

std::uint32_t Loopback() { return htonl(INADDR_LOOPBACK); }
std::uint32_t PortField(std::uint16_t hostPort) { return htons(hostPort); }

class Socket {
 public:
  Socket() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { Close(); }
  Socket(Socket&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  int fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  std::uint16_t LocalPort() const {
    sockaddr_in a{};
    socklen_t n = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
    return ntohs(a.sin_port);
  }

 private:
  int fd_;
};

Socket Listener(std::uint32_t addr, std::uint16_t port, int backlog) {
  Socket s;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = addr;
  a.sin_port = htons(port);
  EXPECT_EQ(::bind(s.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << std::strerror(errno);
  EXPECT_EQ(::listen(s.fd(), backlog), 0);
  return s;
}

// Connects to the loopback port; without wait the connection is left to complete on its own.
Socket Connect(std::uint16_t port, bool wait = true) {
  Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (wait ? 0 : SOCK_NONBLOCK), 0));
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = Loopback();
  a.sin_port = htons(port);
  const int rc = ::connect(s.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a);
  EXPECT_TRUE(rc == 0 || (!wait && errno == EINPROGRESS)) << std::strerror(errno);
  return s;
}

Socket Accept(const Socket& listener) {
  pollfd p{listener.fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 2000), 1) << "no connection to accept";
  return Socket(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
}

const MibTcpRow* Find(const std::vector<MibTcpRow>& rows, std::uint32_t local, std::uint16_t lport,
                      std::uint32_t remote, std::uint16_t rport) {
  for (const auto& r : rows)
    if (r.dwLocalAddr == local && r.dwLocalPort == PortField(lport) && r.dwRemoteAddr == remote &&
        r.dwRemotePort == PortField(rport))
      return &r;
  return nullptr;
}

// Waits until the table holds the connection in the state, or gives up after two seconds.
std::uint32_t StateOf(LinuxTcpTable& table, std::uint16_t lport, std::uint16_t rport,
                      std::uint32_t expected) {
  std::uint32_t state = 0;
  for (int i = 0; i < 200; ++i) {
    std::vector<MibTcpRow> rows;
    EXPECT_EQ(table.GetTcpTable(rows), 0u);
    const MibTcpRow* r = Find(rows, Loopback(), lport, Loopback(), rport);
    state = r ? r->dwState : 0;
    if (state == expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return state;
}

bool Ascending(const std::vector<MibTcpRow>& rows) {
  auto key = [](const MibTcpRow& r) {
    return std::make_tuple(ntohl(r.dwLocalAddr), ntohs(static_cast<std::uint16_t>(r.dwLocalPort)),
                           ntohl(r.dwRemoteAddr), ntohs(static_cast<std::uint16_t>(r.dwRemotePort)));
  };
  return std::is_sorted(rows.begin(), rows.end(),
                        [&](const MibTcpRow& a, const MibTcpRow& b) { return key(a) < key(b); });
}

TEST(LinuxTcpTableLive, FindsLoopbackConnectionsAndListenersInEveryState) {
  nettest::PrivateNetns ns;
  if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error();

  LinuxTcpTable table;
  std::vector<MibTcpRow> rows;
  ASSERT_EQ(table.GetTcpTable(rows), 0u);
  EXPECT_TRUE(rows.empty()) << "a fresh namespace has no connections";

  Socket any = Listener(htonl(INADDR_ANY), 0, 8);
  Socket server = Listener(Loopback(), 0, 8);
  const std::uint16_t sp = server.LocalPort();

  Socket c1 = Connect(sp);  // established both ways
  Socket s1 = Accept(server);
  Socket c2 = Connect(sp);  // client closes first: time wait on the client's side
  Socket s2 = Accept(server);
  Socket c3 = Connect(sp);  // server closes first: close wait / fin wait 2
  Socket s3 = Accept(server);
  c2.Close();
  s2.Close();
  s3.Close();

  EXPECT_EQ(StateOf(table, sp, c1.LocalPort(), 5), 5u) << "established";
  EXPECT_EQ(StateOf(table, c1.LocalPort(), sp, 5), 5u);
  EXPECT_EQ(StateOf(table, c3.LocalPort(), sp, 8), 8u) << "close wait";
  EXPECT_EQ(StateOf(table, sp, c3.LocalPort(), 7), 7u) << "fin wait 2";
  ASSERT_EQ(table.GetTcpTable(rows), 0u);
  EXPECT_EQ(table.LastSource(), Source::kNetlink);

  const MibTcpRow* listening = Find(rows, Loopback(), sp, 0, 0);
  ASSERT_NE(listening, nullptr);
  EXPECT_EQ(listening->dwState, 2u) << "listening";
  const MibTcpRow* onAll = Find(rows, 0, any.LocalPort(), 0, 0);
  ASSERT_NE(onAll, nullptr) << "the table holds listeners on every address as well";
  EXPECT_EQ(onAll->dwState, 2u);
  const auto timeWait = std::count_if(rows.begin(), rows.end(), [&](const MibTcpRow& r) {
    return r.dwRemotePort == PortField(sp) && r.dwState == 11;
  });
  EXPECT_EQ(timeWait, 1) << "time wait";
  EXPECT_EQ(rows.size(), 7u) << "two listeners, three pairs less the closed end";
  EXPECT_TRUE(Ascending(rows));
}

TEST(LinuxTcpTableLive, ShowsConnectionsStillWaitingForTheirAnswerAsSent) {
  nettest::PrivateNetns ns;
  if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error();
  // A listener whose accept queue is full drops further SYNs: those clients stay in SYN sent.
  Socket busy = Listener(Loopback(), 49152, 0);
  std::vector<Socket> clients;
  for (int i = 0; i < 4; ++i) clients.push_back(Connect(49152, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  LinuxTcpTable table;
  std::vector<MibTcpRow> rows;
  ASSERT_EQ(table.GetTcpTable(rows), 0u);
  const auto sent = std::count_if(rows.begin(), rows.end(), [](const MibTcpRow& r) {
    return r.dwRemotePort == PortField(49152) && r.dwState == 3;
  });
  EXPECT_GE(sent, 1) << "at least one connection waits in SYN sent";
  const MibTcpRow* l = Find(rows, Loopback(), 49152, 0, 0);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->dwLocalPort, PortField(49152)) << "a port above 32767 in network order";
}

TEST(LinuxTcpTableLive, ProcFileAndNetlinkAgree) {
  nettest::PrivateNetns ns;
  if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error();
  Socket server = Listener(Loopback(), 0, 64);
  std::vector<Socket> ends;
  for (int i = 0; i < 20; ++i) {
    ends.push_back(Connect(server.LocalPort()));
    ends.push_back(Accept(server));
  }
  ends[0].Close();  // one fin wait 2 / close wait pair
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  LinuxTcpTable viaNetlink;
  LinuxTcpTable viaProc(Source::kProcFile);
  std::vector<MibTcpRow> a, b;
  ASSERT_EQ(viaNetlink.GetTcpTable(a), 0u);
  ASSERT_EQ(viaProc.GetTcpTable(b), 0u);
  EXPECT_EQ(viaNetlink.LastSource(), Source::kNetlink);
  EXPECT_EQ(viaProc.LastSource(), Source::kProcFile);
  ASSERT_EQ(a.size(), 41u);
  ASSERT_EQ(b.size(), a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].dwState, b[i].dwState) << i;
    EXPECT_EQ(a[i].dwLocalAddr, b[i].dwLocalAddr) << i;
    EXPECT_EQ(a[i].dwLocalPort, b[i].dwLocalPort) << i;
    EXPECT_EQ(a[i].dwRemoteAddr, b[i].dwRemoteAddr) << i;
    EXPECT_EQ(a[i].dwRemotePort, b[i].dwRemotePort) << i;
  }
}

#if defined(__x86_64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t kAuditArch = 0;
#endif

// Makes socket(AF_NETLINK, ...) fail with EACCES in this process, as a confined container does.
bool RefuseNetlink() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog prog{static_cast<unsigned short>(std::size(filter)), filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

TEST(LinuxTcpTableLive, ReadsProcNetTcpWhenNetlinkIsRefused) {
  if (kAuditArch == 0) GTEST_SKIP() << "no seccomp filter for this architecture";
  nettest::PrivateNetns ns;
  if (!ns.Ok()) GTEST_SKIP() << "no private network namespace: " << ns.Error();
  Socket server = Listener(Loopback(), 0, 8);
  const std::uint16_t port = server.LocalPort();

  // The child keeps this thread's namespace; its exit code says what it found.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!RefuseNetlink()) ::_exit(10);
    if (::socket(AF_NETLINK, SOCK_DGRAM, 0) >= 0 || errno != EACCES) ::_exit(11);
    LinuxTcpTable table;
    std::vector<MibTcpRow> rows;
    if (table.GetTcpTable(rows) != 0) ::_exit(12);
    if (table.LastSource() != Source::kProcFile) ::_exit(13);
    const MibTcpRow* r = Find(rows, Loopback(), port, 0, 0);
    ::_exit(r == nullptr ? 14 : r->dwState == 2 ? 0 : 15);
  }
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 500 && done == 0; ++i) {
    done = ::waitpid(child, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (done == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "the child hung";
  }
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "seccomp filters cannot be installed here";
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "11 netlink not refused, 12 no table, 13 wrong source, 14 listener missing, 15 wrong state";
}

TEST(KernelTcpState, TranslatesToTheTableNumbers) {
  const std::uint32_t expected[] = {
      0,   // none
      5,   // established
      3,   // SYN sent
      4,   // SYN received
      6,   // fin wait 1
      7,   // fin wait 2
      11,  // time wait
      1,   // close
      8,   // close wait
      10,  // last ack
      2,   // listen
      9,   // closing
      4,   // new SYN received (request)
      1,   // bound, inactive
  };
  for (unsigned k = 0; k < std::size(expected); ++k)
    EXPECT_EQ(linuxtcp::StateFromKernel(k), expected[k]) << "kernel state " << k;
  EXPECT_EQ(linuxtcp::StateFromKernel(14), 0u);
  EXPECT_EQ(linuxtcp::StateFromKernel(255), 0u);
}

// Recorded in a namespace with listeners on 0.0.0.0:22, 127.0.0.1:5000 and 127.0.0.1:49152
// (its queue full) and connections to them in several states, plus damaged lines.
constexpr const char* kRecorded =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
    "   0: 00000000:0016 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 67586 1 0000000089cf8646 100 0 0 10 0\n"
    "   1: 0100007F:C000 00000000:0000 0A 00000000:00000001 00:00000000 00000000     0        0 67593 2 0000000006fc3a41 100 0 0 10 0\n"
    "   2: 0100007F:1388 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 67585 1 00000000812c6cb0 100 0 0 10 0\n"
    "   3: 0100007F:B03E 0100007F:1388 01 00000000:00000000 00:00000000 00000000     0        0 67587 2 000000003140660e 20 0 0 10 -1\n"
    "   4: 0100007F:B044 0100007F:1388 06 00000000:00000000 03:0000175B 00000000     0        0 0 3 00000000bde2774a\n"
    "   5: 0100007F:B04E 0100007F:1388 08 00000000:00000001 00:00000000 00000000     0        0 67591 2 0000000023cd5144 20 4 0 10 -1\n"
    "   7: 0100007F:C50A 0100007F:C000 02 00000001:00000000 01:0000004F 00000000     0        0 67595 2 0000000009df91c1 100 0 0 10 -1\n"
    "  12: 0100007F:1388 0100007F:B04E 05 00000000:00000000 03:0000175B 00000000     0        0 0 3 00000000e1ed73c1\n"
    "  13: 0A00A8C0:0050 6401A8C0:FFFF 0B 00000000:00000000 00:00000000 00000000     0        0 1 1\n"
    "  14: 0100007F:1388 0100007F\n"                  // cut off
    "  15: 0100007G:1388 0100007F:B04E 01 0\n"         // not hexadecimal
    "  16: 0100007F:1388 0100007F:B04E 0\n"            // state cut short
    "  xx: 0100007F:1388 0100007F:B04E 01 0\n"         // no slot number
    "\n"
    "  17: 0100007F:2000 0100007F:2001 01";            // last line without a line end

TEST(ProcNetTcp, ReadsTheRecordedTable) {
  std::vector<MibTcpRow> rows;
  linuxtcp::ParseProcNetTcp(kRecorded, rows);
  const std::uint32_t lo = Loopback();
  const std::uint32_t host = htonl(0xC0A8000A);  // 192.168.0.10
  const std::uint32_t peer = htonl(0xC0A80164);  // 192.168.1.100
  const std::vector<std::vector<std::uint32_t>> expected = {
      {2, 0, 22, 0, 0},
      {2, lo, 49152, 0, 0},
      {2, lo, 5000, 0, 0},
      {5, lo, 45118, lo, 5000},
      {11, lo, 45124, lo, 5000},
      {8, lo, 45134, lo, 5000},
      {3, lo, 50442, lo, 49152},
      {7, lo, 5000, lo, 45134},
      {9, host, 80, peer, 65535},
      {5, lo, 8192, lo, 8193},
  };
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& e = expected[i];
    EXPECT_EQ(rows[i].dwState, e[0]) << i;
    EXPECT_EQ(rows[i].dwLocalAddr, e[1]) << i;
    EXPECT_EQ(rows[i].dwLocalPort, PortField(static_cast<std::uint16_t>(e[2]))) << i;
    EXPECT_EQ(rows[i].dwRemoteAddr, e[3]) << i;
    EXPECT_EQ(rows[i].dwRemotePort, PortField(static_cast<std::uint16_t>(e[4]))) << i;
  }

  linuxtcp::SortRows(rows);
  EXPECT_TRUE(Ascending(rows));
  EXPECT_EQ(rows.front().dwLocalPort, PortField(22)) << "0.0.0.0 first";
  EXPECT_EQ(rows.back().dwLocalAddr, host) << "192.168.0.10 after 127.0.0.1";
  EXPECT_EQ(rows[1].dwLocalPort, PortField(5000));
  EXPECT_EQ(rows[1].dwRemoteAddr, 0u) << "then by remote end: 0.0.0.0 first";
  EXPECT_EQ(rows[2].dwLocalPort, PortField(5000));
  EXPECT_EQ(rows[2].dwRemotePort, PortField(45134));
  EXPECT_EQ(rows[3].dwLocalPort, PortField(8192)) << "5000 before 8192 before 45118";
}

TEST(ProcNetTcp, EmptyOrForeignTextGivesNoRows) {
  std::vector<MibTcpRow> rows;
  linuxtcp::ParseProcNetTcp("", rows);
  linuxtcp::ParseProcNetTcp("not a table\n\n\n", rows);
  linuxtcp::ParseProcNetTcp(std::string_view("\0\0\0", 3), rows);
  EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace tavrel
