#pragma once

#include <string>

#include "core/AppInfo.h"

namespace tavrel {

// The application's identity on Linux. The executable comes from /proc/self/exe. The program
// folder (settings file, logs, help file, version file) is the executable's folder when the user
// may write there (a build tree, a portable copy); otherwise $XDG_DATA_HOME/Tavrel (default
// ~/.local/share/Tavrel), created when missing, so that an installed copy works for an ordinary
// user.
AppInfo LinuxAppInfo();

// The rule above for a given executable path and environment; exposed for tests.
std::string ProgramFolderFor(const std::string& exePath, const char* xdgDataHome, const char* home);

}  // namespace tavrel
