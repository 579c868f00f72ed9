// The report of the machine's interface addresses.
#pragma once

#include <cstdint>
#include <string>

#include "app/Env.h"

namespace tavrel::modGetAll {

std::string GetAllAddresses(Env& env);
// The four bytes at address, in memory order, as dotted decimal.
std::string AddressBytesToText(const std::uint8_t* address);

}  // namespace tavrel::modGetAll
