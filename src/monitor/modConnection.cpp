#include "monitor/modConnection.h"

namespace tavrel::modConnection {

namespace {

struct Query {
  int result = 0;
  std::uint32_t flags = 0;
};

Query Ask(IConnectionState& state) {
  Query q;
  q.flags = 0;
  q.result = state.InternetGetConnectedState(q.flags);
  return q;
}

bool Bit(IConnectionState& state, std::uint32_t bit) { return (Ask(state).flags & bit) != 0; }

}  // namespace

std::string ConnectionStateText(IConnectionState& state) {
  const Query q = Ask(state);
  if (q.result == 0) return std::string(NotConnectedText);
  const auto has = [&](std::uint32_t bit) { return (q.flags & bit) != 0; };
  std::string t;
  if (has(INTERNET_CONNECTION_CONFIGURED)) t = "You have a network connection configured.\r\n";
  if (has(INTERNET_CONNECTION_LAN)) t = "The local system connects to the Internet via a LAN";
  t += has(INTERNET_CONNECTION_PROXY) ? ", and uses a proxy server. " : ".";
  if (has(INTERNET_CONNECTION_MODEM)) t = "The local system uses a modem to connect to the Internet. ";
  if (has(INTERNET_CONNECTION_OFFLINE)) t = std::string(OfflineText);
  if (has(INTERNET_CONNECTION_MODEM_BUSY)) t = "The local system's modem is busy with a non-Internet connection. ";
  if (has(INTERNET_RAS_INSTALLED)) t = "Remote Access Services are installed on this system.";
  return t;
}

bool IsLanConnection(IConnectionState& state) { return Bit(state, INTERNET_CONNECTION_LAN); }
bool IsModemConnection(IConnectionState& state) { return Bit(state, INTERNET_CONNECTION_MODEM); }
bool IsProxyConnection(IConnectionState& state) { return Bit(state, INTERNET_CONNECTION_PROXY); }
bool IsRasInstalled(IConnectionState& state) { return Bit(state, INTERNET_RAS_INSTALLED); }
bool IsOnline(IConnectionState& state) { return Ask(state).result != 0; }

namespace {
bool IsWanAlive(IConnectionState& state) {
  std::uint32_t flags = 0;
  return state.IsNetworkAlive(flags) == 1 && (flags & NETWORK_ALIVE_WAN) != 0;
}
}  // namespace

std::int16_t OnlineStateCode(IConnectionState& state) {
  if (IsLanConnection(state)) return 1;
  if (IsWanAlive(state)) return 2;
  if (IsModemConnection(state)) return 3;
  if (IsProxyConnection(state)) return 4;
  if (IsOnline(state)) return 5;
  if (IsRasInstalled(state)) return 6;
  return 7;
}

bool IsAolConnection(IConnectionState& state) {
  std::uint32_t flags = 0;
  if (state.IsNetworkAlive(flags) != 1) return false;
  return flags == NETWORK_ALIVE_AOL;
}

}  // namespace tavrel::modConnection
