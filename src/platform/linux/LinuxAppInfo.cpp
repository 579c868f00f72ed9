#include "platform/linux/LinuxAppInfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tavrel {

namespace {

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

// Creates each missing folder of an absolute path.
void MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
  }
}

}  // namespace

std::string ProgramFolderFor(const std::string& exePath, const char* xdgDataHome,
                             const char* home) {
  const auto slash = exePath.find_last_of('/');
  std::string exeFolder = slash == std::string::npos ? "." : exePath.substr(0, slash);
  if (exeFolder.empty()) exeFolder = "/";
  if (::access(exeFolder.c_str(), W_OK) == 0) return exeFolder;

  std::string data;
  if (xdgDataHome && xdgDataHome[0] == '/') {
    data = xdgDataHome;
  } else if (home && home[0] == '/') {
    data = std::string(home) + "/.local/share";
  } else {
    return exeFolder;  // nowhere better: reads give defaults, writes are lost
  }
  while (data.size() > 1 && data.back() == '/') data.pop_back();
  const std::string folder = data + "/Tavrel";
  MakeFolders(folder);
  return folder;
}

AppInfo LinuxAppInfo() {
  AppInfo info;
  const std::string exe = ExecutablePath();
  const auto slash = exe.find_last_of('/');
  info.exeName = slash == std::string::npos ? exe : exe.substr(slash + 1);
  info.folder = ProgramFolderFor(exe, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  return info;
}

}  // namespace tavrel
