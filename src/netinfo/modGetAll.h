// The report of the machine's interface addresses, made once at start-up.
#pragma once

#include <cstdint>
#include <string>

#include "core/Env.h"

namespace tavrel::modGetAll {

// The number of addresses and, for each of the first 11, a block of five stamped lines
// (address, subnet mask, broadcast field). A twelfth address has no place in the table: the
// user is shown the error number 9 and the report ends with the first 11 blocks.
std::string GetAllAddresses(Env& env);

}  // namespace tavrel::modGetAll
