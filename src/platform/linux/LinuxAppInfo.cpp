#include "platform/linux/LinuxAppInfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/linux/Descriptors.h"

namespace tavrel {

namespace {

// No other user can place or swap a file in the folder: it is the user's or root's and neither
// its group nor the world may write to it; and the user may write there.
bool OnlyTheUserWrites(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (st.st_uid != ::geteuid() && st.st_uid != 0) return false;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  return ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  std::string path(buf.data(), static_cast<std::size_t>(n));
  // The file was replaced (an update) while running: its name now holds the new copy.
  const std::string deleted = " (deleted)";
  if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
    path.resize(path.size() - deleted.size());
  return path;
}

std::string ProgramFolderFor(const std::string& exePath, const char* xdgDataHome, const char* home) {
  const auto slash = exePath.find_last_of('/');
  std::string exeFolder = slash == std::string::npos ? "." : exePath.substr(0, slash);
  if (exeFolder.empty()) exeFolder = "/";
  if (OnlyTheUserWrites(exeFolder)) return exeFolder;

  std::string data;
  if (xdgDataHome && xdgDataHome[0] == '/') {
    data = xdgDataHome;
  } else if (const std::string h = linux_platform::HomeFolder(home); !h.empty()) {
    data = h + "/.local/share";
  } else {
    return exeFolder;  // nowhere better: the file rules still keep other users' files out
  }
  while (data.size() > 1 && data.back() == '/') data.pop_back();
  const std::string folder = data + "/Tavrel";
  linux_platform::MakeFolders(folder);
  return folder;
}

AppInfo LinuxAppInfo() {
  AppInfo info;
  const std::string exe = ExecutablePath();
  const auto slash = exe.find_last_of('/');
  info.exeName = slash == std::string::npos ? exe : exe.substr(slash + 1);
  info.exePath = exe;
  info.folder = ProgramFolderFor(exe, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  return info;
}

}  // namespace tavrel
