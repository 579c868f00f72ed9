// Provisional until the address report lands.
#include "netinfo/modGetAll.h"

namespace tavrel::modGetAll {

std::string GetAllAddresses(Env&) { return {}; }
std::string AddressBytesToText(const std::uint8_t*) { return {}; }

}  // namespace tavrel::modGetAll
