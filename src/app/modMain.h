// Small file-system and window procedures that start-up and other windows share.
#pragma once

#include <string>

#include "core/Env.h"

namespace tavrel::modMain {

// Surrounding spaces removed, then one trailing separator dropped.
std::string StripTrailingBackslash(const std::string& s);
// True when p names an existing folder; p is cleaned with StripTrailingBackslash first and the
// caller sees the cleaned path.
bool FolderExists(Env& env, std::string& p);
// True when p is not blank and names an existing ordinary file (no folder, no hidden file).
bool FileExists(Env& env, const std::string& p);

struct Rect {
  long left = 0, top = 0, width = 0, height = 0;
};
// The position that centres a window of the given size on a screen of the given size.
Rect CenterForm(long screenWidth, long screenHeight, const Rect& window);

}  // namespace tavrel::modMain
