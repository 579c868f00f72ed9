// The application's own identity: title, folder, executable name and version information.
#pragma once

#include <string>

#include "core/BuildInfo.h"

namespace tavrel {

// The separator of the platform's paths. The behaviour builds every path with it.
#ifdef _WIN32
inline constexpr char kPathSep = '\\';
#else
inline constexpr char kPathSep = '/';
#endif

struct AppInfo {
  std::string title = "Tavrel";
  std::string folder;   // program folder, no trailing separator except at a root
  std::string exeName;  // file name of the executable without extension
  // Full path of the running executable, when the platform gives it (start-at-logon entries run
  // it; the program folder may be elsewhere); when empty, folder and exeName stand for it.
  std::string exePath;
  int major = build::kVersionMajor;
  int minor = build::kVersionMinor;
  int revision = build::kVersionRevision;
  std::string company = build::kCompanyName;
  std::string homePage = build::kHomePage;
  std::string server = build::kUpdateServer;  // host[:port] of the support web server

  // "http://" + server + path, for the vendor's pages and files.
  std::string ServerUrl(const std::string& pathAndQuery) const { return "http://" + server + pathAndQuery; }
  // folder + separator + name, with one separator only when the folder already ends in one.
  std::string InFolder(const std::string& name) const {
    if (!folder.empty() && folder.back() == kPathSep) return folder + name;
    return folder + kPathSep + name;
  }
  // The version text "major.minor.revision".
  std::string VersionText() const {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
  }
};

}  // namespace tavrel
