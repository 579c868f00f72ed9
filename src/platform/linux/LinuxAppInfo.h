#pragma once

#include <string>

#include "core/AppInfo.h"

namespace tavrel {

// The application's identity on Linux. The executable comes from /proc/self/exe. The program
// folder (settings file, logs, help file, version file) is the executable's folder when the user
// may write there and no other user may: a folder owned by the user or by root that is neither
// group- nor world-writable (a build tree, a portable copy in the home folder). Otherwise it is
// $XDG_DATA_HOME/Tavrel (default ~/.local/share/Tavrel), created private when missing, so that an
// installed copy works for an ordinary user and a copy in a shared folder cannot be turned
// against its user. Where no home folder can be found either, the executable's folder is used
// (the file rules still keep other users' files out).
AppInfo LinuxAppInfo();

// The rule above for a given executable path, $XDG_DATA_HOME and $HOME (null: unset; the home
// folder then comes from the user database).
std::string ProgramFolderFor(const std::string& exePath, const char* xdgDataHome, const char* home);

// The running executable's path (/proc/self/exe; a " (deleted)" mark of a replaced file dropped).
std::string ExecutablePath();

}  // namespace tavrel
