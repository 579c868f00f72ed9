// The TCP connection table in the connection list.
#pragma once

#include <cstdint>
#include <string>

#include "activity/ConnectionList.h"
#include "core/Env.h"

namespace tavrel::modConnections {

// Adds the six column headers, fills the list and sets the column widths.
void SetupConnectionList(Env& env, ConnectionList& list);
// Widths of the six columns in twips: 1200, 800, 1200, 1500, 400, 1200.
void SetColumnWidths(ConnectionList& list);
// Adds one item per connection of the platform's table (never removes any). Rows whose local
// and remote addresses are both 0 are left out; a failed read adds nothing.
void FillConnectionList(Env& env, ConnectionList& list);
// Replaces all items with the current table; the view redraws once.
void RefreshConnectionList(Env& env, ConnectionList& list);
// Dotted decimal of an IPv4 address in network byte order.
std::string AddressToText(std::uint32_t address);
// Dotted decimal of count octets, first octet first.
std::string OctetsToText(const std::uint8_t* octets, std::size_t count);
// Description of a state number 1..12; the empty text for any other number.
std::string StateText(std::uint32_t state);

}  // namespace tavrel::modConnections
