// Paths for the tests under Wine: the build's Unix paths as Windows sees them (drive Z: is /).
#pragma once

#include <string>

namespace tavrel::wintest {

inline std::string WinPath(std::string unixPath) {
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return unixPath.rfind('\\', 0) == 0 ? "Z:" + unixPath : unixPath;
}

// Tavrel.exe of this build.
inline std::string TavrelExe() { return WinPath(TAVREL_BINARY_DIR "/Tavrel.exe"); }

}  // namespace tavrel::wintest
