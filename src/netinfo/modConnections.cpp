// Provisional until the connection table lands: the list stays empty.
#include "netinfo/modConnections.h"

namespace tavrel::modConnections {

void SetupConnectionList(Env&, ConnectionList&) {}
void SetColumnWidths(ConnectionList&) {}
void FillConnectionList(Env&, ConnectionList&) {}
void RefreshConnectionList(Env&, ConnectionList&) {}
std::string AddressToText(std::uint32_t) { return {}; }

}  // namespace tavrel::modConnections
