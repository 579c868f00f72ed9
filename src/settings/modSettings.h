// The settings store: one INI file in the program folder, read afresh on every call.
#pragma once

#include <string>

#include "core/Env.h"

namespace tavrel::modSettings {

// Program folder + the title with blanks as underscores + ".ini".
std::string IniFilePath(const Env& env);
// The stored value (at most 154 characters), or defaultValue when the file, section or key is
// missing. appName mirrors the platform's call and is not used: the file is IniFilePath's.
std::string GetSetting(Env& env, const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue);
// Stores value at once. False when it was not stored; a caller that acts for the user says so
// (WriteFailure tells why), and the main window's activity view reports a failing store.
bool SaveSetting(Env& env, const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& value);
// The settings file and why its last write failed, in one line; empty when the last write
// succeeded.
std::string WriteFailure(Env& env);

}  // namespace tavrel::modSettings
