// The application's identity on Windows: the executable's folder and name from
// GetModuleFileNameA, the version numbers and the company name from its version resource.
#pragma once

#include <optional>
#include <string>

#include "core/AppInfo.h"

namespace tavrel {

AppInfo Win32AppInfo();

// What a program's version resource says.
struct VersionResource {
  int major = 0;
  int minor = 0;
  int revision = 0;
  std::string company;
};
// The version resource of the executable at path; nothing when it has none.
std::optional<VersionResource> ReadVersionResource(const std::string& exePath);

// Folder (no trailing separator except at a drive's root, "C:\") and name without ".exe" of a
// full executable path.
void SplitExecutablePath(const std::string& exePath, std::string& folder, std::string& exeName);

}  // namespace tavrel
