// Registration for start at logon.
#pragma once

#include <cstdint>
#include <string>

#include "core/Env.h"

namespace tavrel::modReg {

bool SetRegistryValue(Env& env, std::uint32_t root, const std::string& subKey, const std::string& valueName,
                      const std::string& data);
void DeleteRegistryValue(Env& env, std::uint32_t root, const std::string& subKey, const std::string& valueName);
// The registered command: the executable's own path where the platform gives it, otherwise
// program folder + separator + executable name (+ ".exe" on Windows).
std::string ProgramCommand(const Env& env);

}  // namespace tavrel::modReg
