// The TCP connection table in the connection list.
#pragma once

#include <cstdint>
#include <string>

#include "app/Env.h"
#include "netinfo/ConnectionList.h"

namespace tavrel::modConnections {

void SetupConnectionList(Env& env, ConnectionList& list);
void SetColumnWidths(ConnectionList& list);
void FillConnectionList(Env& env, ConnectionList& list);
void RefreshConnectionList(Env& env, ConnectionList& list);
// Dotted decimal of an IPv4 address in network byte order.
std::string AddressToText(std::uint32_t address);

}  // namespace tavrel::modConnections
