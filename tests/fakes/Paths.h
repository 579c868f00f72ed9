// Paths in the behaviour's tests are written with '/'; P() turns them into the platform's own
// paths, joined with the separator the behaviour uses ('\' on Windows), so that the same tests
// run on both platforms.
#pragma once

#include <string>
#include <string_view>

#include "core/AppInfo.h"

namespace tavrel::fakes {

inline std::string P(std::string_view path) {
  std::string s(path);
  for (char& c : s)
    if (c == '/') c = kPathSep;
  return s;
}

// What the platform appends to an executable's name in a command.
#ifdef _WIN32
inline constexpr const char* kExeSuffix = ".exe";
#else
inline constexpr const char* kExeSuffix = "";
#endif

}  // namespace tavrel::fakes
