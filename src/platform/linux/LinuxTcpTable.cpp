#include "platform/linux/LinuxTcpTable.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string>

#include "platform/linux/Descriptors.h"

namespace tavrel {

namespace linuxtcp {

using linux_platform::Fd;

namespace {

// The kernel numbers its TCP states 1 established ... 11 closing, then 12 new-syn-recv and 13
// bound-inactive (include/net/tcp_states.h); the table the program shows numbers them after the
// Windows MIB_TCP_STATE values. This is the one place that translates.
constexpr std::array<std::uint32_t, 14> kStateFromKernel = {
    0,   // 0: not a kernel state
    5,   // 1 TCP_ESTABLISHED   -> established
    3,   // 2 TCP_SYN_SENT      -> sent (SYN sent)
    4,   // 3 TCP_SYN_RECV      -> received (SYN received)
    6,   // 4 TCP_FIN_WAIT1     -> fin wait 1
    7,   // 5 TCP_FIN_WAIT2     -> fin wait 2
    11,  // 6 TCP_TIME_WAIT     -> time wait
    1,   // 7 TCP_CLOSE         -> closed
    8,   // 8 TCP_CLOSE_WAIT    -> close wait
    10,  // 9 TCP_LAST_ACK      -> last ack
    2,   // 10 TCP_LISTEN       -> listening
    9,   // 11 TCP_CLOSING      -> closing
    4,   // 12 TCP_NEW_SYN_RECV -> received: a connection request not yet accepted
    1,   // 13 TCP_BOUND_INACTIVE -> closed: bound, neither listening nor connected
};

// Every kernel state from established (1) to new-syn-recv (12). Bound-but-inactive sockets
// (13) are left out, as /proc/net/tcp leaves them out.
constexpr std::uint32_t kAllStates = ((1u << 13) - 1) & ~1u;

bool ParseHex(std::string_view& s, std::size_t digits, std::uint32_t& out) {
  if (s.size() < digits) return false;
  const char* end = s.data() + digits;
  const auto [p, ec] = std::from_chars(s.data(), end, out, 16);
  if (ec != std::errc() || p != end) return false;
  s.remove_prefix(digits);
  return true;
}

bool Expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

void SkipBlanks(std::string_view& s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
}

// "0100007F:0050": the address as the kernel prints its raw 32-bit value, the port in host
// order.
bool ParseEndpoint(std::string_view& s, std::uint32_t& addr, std::uint32_t& port) {
  std::uint32_t p = 0;
  if (!ParseHex(s, 8, addr) || !Expect(s, ':') || !ParseHex(s, 4, p)) return false;
  port = htons(static_cast<std::uint16_t>(p));
  return true;
}

// One entry: "  12: 0100007F:0050 0100007F:9C40 01 ...".
bool ParseLine(std::string_view line, MibTcpRow& row) {
  SkipBlanks(line);
  const auto colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  for (std::size_t i = 0; i < colon; ++i)
    if (line[i] < '0' || line[i] > '9') return false;
  line.remove_prefix(colon + 1);
  SkipBlanks(line);
  if (!ParseEndpoint(line, row.dwLocalAddr, row.dwLocalPort)) return false;
  SkipBlanks(line);
  if (!ParseEndpoint(line, row.dwRemoteAddr, row.dwRemotePort)) return false;
  SkipBlanks(line);
  std::uint32_t state = 0;
  if (!ParseHex(line, 2, state)) return false;
  if (!line.empty() && line.front() != ' ') return false;
  row.dwState = StateFromKernel(state);
  return true;
}

}  // namespace

std::uint32_t StateFromKernel(unsigned kernelState) {
  return kernelState < kStateFromKernel.size() ? kStateFromKernel[kernelState] : 0;
}

void ParseProcNetTcp(std::string_view text, std::vector<MibTcpRow>& rows) {
  while (!text.empty()) {
    const auto nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    MibTcpRow row;
    if (ParseLine(line, row)) rows.push_back(row);
  }
}

void SortRows(std::vector<MibTcpRow>& rows) {
  // Two 48-bit keys: address and port of each end, as numbers.
  auto key = [](std::uint32_t addr, std::uint32_t port) {
    return (static_cast<std::uint64_t>(ntohl(addr)) << 16) | ntohs(static_cast<std::uint16_t>(port & 0xFFFF));
  };
  std::sort(rows.begin(), rows.end(), [&](const MibTcpRow& a, const MibTcpRow& b) {
    const std::uint64_t la = key(a.dwLocalAddr, a.dwLocalPort);
    const std::uint64_t lb = key(b.dwLocalAddr, b.dwLocalPort);
    if (la != lb) return la < lb;
    return key(a.dwRemoteAddr, a.dwRemotePort) < key(b.dwRemoteAddr, b.dwRemotePort);
  });
}

bool ReadNetlink(std::vector<MibTcpRow>& rows, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;

  Fd fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
  if (fd.get() < 0) return false;

  struct {
    nlmsghdr nlh;
    inet_diag_req_v2 req;
  } request{};
  request.nlh.nlmsg_len = sizeof request;
  request.nlh.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  request.nlh.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.nlh.nlmsg_seq = 1;
  request.req.sdiag_family = AF_INET;
  request.req.sdiag_protocol = IPPROTO_TCP;
  request.req.idiag_states = kAllStates;

  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  ssize_t sent;
  do {
    sent = ::sendto(fd.get(), &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
  } while (sent < 0 && errno == EINTR);
  if (sent != static_cast<ssize_t>(sizeof request)) return false;

  // Dump replies come in pieces of up to 32 KiB.
  alignas(nlmsghdr) static thread_local std::array<char, 65536> buf;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    timeval tv{static_cast<time_t>(left.count() / 1000000), static_cast<suseconds_t>(left.count() % 1000000)};
    if (::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return false;
    sockaddr_nl from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n = ::recvfrom(fd.get(), buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;  // timed out or failed
    }
    if (n == 0 || from.nl_pid != 0) continue;  // only the kernel's answer counts

    std::size_t len = static_cast<std::size_t>(n);
    for (auto* h = reinterpret_cast<const nlmsghdr*>(buf.data()); NLMSG_OK(h, len); h = NLMSG_NEXT(h, len)) {
      if (h->nlmsg_seq != request.nlh.nlmsg_seq) continue;
      if (h->nlmsg_type == NLMSG_DONE) {
        // The dump's own status follows the header; a negative one means it broke off.
        int status = 0;
        if (h->nlmsg_len >= NLMSG_LENGTH(sizeof status)) std::memcpy(&status, NLMSG_DATA(h), sizeof status);
        return status >= 0;
      }
      if (h->nlmsg_type == NLMSG_ERROR) return false;  // refused (or unknown family)
      if (h->nlmsg_type != SOCK_DIAG_BY_FAMILY || h->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) continue;
      const auto* m = static_cast<const inet_diag_msg*>(NLMSG_DATA(h));
      if (m->idiag_family != AF_INET) continue;
      rows.push_back(MibTcpRow{StateFromKernel(m->idiag_state), m->id.idiag_src[0], m->id.idiag_sport,
                               m->id.idiag_dst[0], m->id.idiag_dport});
    }
  }
}

bool ReadProcFile(std::vector<MibTcpRow>& rows) {
  // The calling thread's network namespace, as a netlink socket would see it; /proc/net
  // follows the process's first thread instead.
  int raw = ::open("/proc/thread-self/net/tcp", O_RDONLY | O_CLOEXEC);
  if (raw < 0) raw = ::open("/proc/net/tcp", O_RDONLY | O_CLOEXEC);
  Fd fd(raw);
  if (fd.get() < 0) return false;
  std::string text;
  if (!linux_platform::ReadToEnd(fd.get(), text)) return false;
  ParseProcNetTcp(text, rows);
  return true;
}

}  // namespace linuxtcp

LinuxTcpTable::LinuxTcpTable(Source preferred, std::chrono::milliseconds timeout)
    : preferred_(preferred), timeout_(timeout) {}

std::uint32_t LinuxTcpTable::GetTcpTable(std::vector<MibTcpRow>& rows) {
  rows.clear();
  if (preferred_ == Source::kNetlink && linuxtcp::ReadNetlink(rows, timeout_)) {
    last_ = Source::kNetlink;
  } else {
    rows.clear();
    if (!linuxtcp::ReadProcFile(rows)) {
      rows.clear();
      return kErrorNotSupported;
    }
    last_ = Source::kProcFile;
  }
  linuxtcp::SortRows(rows);
  return 0;
}

}  // namespace tavrel
