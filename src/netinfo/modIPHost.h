// The local host's name and first address, through the platform's socket library. Every
// lookup starts and ends its own use of the library; failures are told to the user in a
// message box (OK only, no icon) and give the empty text.
#pragma once

#include <cstdint>
#include <string>

#include "core/Env.h"

namespace tavrel::modIPHost {

// Starts the socket library for version 1.1; false (after a message) when it is not usable.
bool SocketsInitialize(Env& env);
void SocketsCleanup(Env& env);
// The local host name, or the empty text.
std::string GetIPHostName(Env& env);
// The first address of the local host name, byte by byte in dotted decimal, or the empty text.
std::string GetIPAddress(Env& env);

constexpr std::uint8_t LoByte(std::uint16_t w) { return static_cast<std::uint8_t>(w & 0xFFu); }
constexpr std::uint8_t HiByte(std::uint16_t w) { return static_cast<std::uint8_t>(w >> 8); }

}  // namespace tavrel::modIPHost
