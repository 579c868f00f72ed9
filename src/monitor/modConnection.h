// The connection state probe: is this machine online, and how. Every call asks the platform
// afresh; the probe keeps nothing between calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/IConnectionState.h"

namespace tavrel::modConnection {

// The two state texts the monitor cycle compares against, exactly.
inline constexpr std::string_view NotConnectedText = "Not connected to the internet.";
inline constexpr std::string_view OfflineText = "The connection is currently offline. ";

// The state text, built from the connection flags: each set flag (in the order configured, LAN,
// proxy, modem, offline, modem busy, Remote Access) replaces the text of the earlier ones, except
// the proxy step, which only adds its suffix to the configured/LAN text.
std::string ConnectionStateText(IConnectionState& state);

// Bit tests on a fresh query; they ignore whether the query said "online".
bool IsLanConnection(IConnectionState& state);
bool IsModemConnection(IConnectionState& state);
bool IsProxyConnection(IConnectionState& state);
bool IsRasInstalled(IConnectionState& state);
// True when the query itself reports the machine online.
bool IsOnline(IConnectionState& state);

// 1 LAN, 2 a wide-area link alive, 3 modem, 4 proxy, 5 online, 6 Remote Access installed,
// 7 not online. Each test is a fresh query and the first that holds wins.
//
// The second test (result 2) is "the network-alive query answers 1 with its WAN bit set": a
// dial-up, PPP or mobile link carries traffic. It sits between the LAN and the modem test, so a
// modem connection that the network-alive service also reports as WAN gives 2 rather than 3.
// Callers only tell 7 from the rest.
std::int16_t OnlineStateCode(IConnectionState& state);

// True only when the network-alive query answers exactly 1 and its flags are exactly the AOL
// bit; AOL together with a LAN or WAN bit does not count.
bool IsAolConnection(IConnectionState& state);

}  // namespace tavrel::modConnection
