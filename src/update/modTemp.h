// The temporary folder and the local path of the downloaded release archive.
#pragma once

#include <string>

#include "core/Env.h"

namespace tavrel::modTemp {

// The platform's temporary folder, ending with a separator; empty when the platform has none.
// Linux paths are not limited to the 259 characters of the Windows buffer, so the path comes
// back whole.
std::string TempFolderPath(Env& env);

// Scans s from left to right and replaces each pair of separators in a row by one separator.
// Pairs do not overlap: three separators become two, four become two.
std::string CollapseDoubledSeparators(const std::string& s);

// Where the release archive is stored: temporary folder + separator + "tavrel_upd.zip", with
// doubled separators collapsed (so a folder ending in a separator gives a single one, and a path
// beginning with two separators loses one of them). Empty when the platform has no temporary
// folder for the program.
std::string LocalArchivePath(Env& env);

}  // namespace tavrel::modTemp
