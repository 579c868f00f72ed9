// The machine's TCP connections in the connection list ListView1.
#include "netinfo/modConnections.h"

#include <array>
#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

namespace tavrel::modConnections {

namespace {

constexpr std::array<std::string_view, ConnectionList::kColumns> kHeaders = {
    "Local IP", "Local Port", "Remote IP", "Remote Port", "State", "State Description"};
constexpr std::array<int, ConnectionList::kColumns> kWidthsTwips = {1200, 800, 1200, 1500, 400, 1200};

// Descriptions of the state numbers 1..12; 7 deliberately repeats the text of 6.
constexpr std::array<std::string_view, 13> kStateTexts = {
    "",           "Closed",     "Listening", "Sent",     "Received",  "Established", "Fin wait 1",
    "Fin wait 1", "Close wait", "Closing",   "Last ack", "Time wait", "TCB deleted"};

// Unsigned decimal, no leading zeros.
void AppendDecimal(std::string& out, std::uint32_t v) {
  char buf[10];
  char* p = buf + sizeof buf;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  out.append(p, static_cast<std::size_t>(buf + sizeof buf - p));
}

std::string Decimal(std::uint32_t v) {
  std::string s;
  AppendDecimal(s, v);
  return s;
}

// A port field holds the 16-bit port in network byte order in its low half; the number the
// user reads is that value in host order.
std::uint32_t PortNumber(std::uint32_t field) {
  const auto raw = static_cast<std::uint16_t>(field & 0xFFFFu);
  if constexpr (std::endian::native == std::endian::little)
    return static_cast<std::uint16_t>((raw >> 8) | (raw << 8));
  else
    return raw;
}

}  // namespace

std::string StateText(std::uint32_t state) {
  return state < kStateTexts.size() ? std::string(kStateTexts[state]) : std::string();
}

std::string OctetsToText(const std::uint8_t* octets, std::size_t count) {
  std::string s;
  s.reserve(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    if (i) s.push_back('.');
    AppendDecimal(s, octets[i]);
  }
  return s;
}

std::string AddressToText(std::uint32_t address) {
  // The value's bytes in memory order are the address's octets, first octet first.
  std::uint8_t b[4];
  std::memcpy(b, &address, 4);
  return OctetsToText(b, 4);
}

void SetupConnectionList(Env& env, ConnectionList& list) {
  for (const std::string_view h : kHeaders) list.AddColumn(std::string(h));
  FillConnectionList(env, list);
  SetColumnWidths(list);
}

void SetColumnWidths(ConnectionList& list) {
  for (std::size_t c = 0; c < kWidthsTwips.size(); ++c) list.SetColumnWidth(c, kWidthsTwips[c]);
}

void FillConnectionList(Env& env, ConnectionList& list) {
  std::vector<MibTcpRow> rows;
  if (env.tcp.GetTcpTable(rows) != 0) return;  // a failed read adds nothing, silently
  list.BeginUpdate();
  list.Reserve(list.Count() + rows.size());
  for (const MibTcpRow& r : rows) {
    // Sockets that listen on every local address and have no peer are not listed.
    if (r.dwLocalAddr == 0 && r.dwRemoteAddr == 0) continue;
    list.Add(ConnectionList::Row{AddressToText(r.dwLocalAddr), Decimal(PortNumber(r.dwLocalPort)),
                                 AddressToText(r.dwRemoteAddr), Decimal(PortNumber(r.dwRemotePort)), Decimal(r.dwState),
                                 StateText(r.dwState)});
  }
  list.EndUpdate();
}

void RefreshConnectionList(Env& env, ConnectionList& list) {
  // One redraw for the whole replacement.
  list.BeginUpdate();
  list.Clear();
  FillConnectionList(env, list);
  list.EndUpdate();
}

}  // namespace tavrel::modConnections
