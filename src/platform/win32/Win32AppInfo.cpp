#include "platform/win32/Win32AppInfo.h"

#include "platform/win32/Win32Api.h"

#include <vector>

namespace tavrel {

namespace {

// The full path of the running executable, however long.
std::string ModulePath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::string(buf.data(), n);
    if (buf.size() >= 32768) return {};
    buf.resize(buf.size() * 2);
  }
}

std::string QueryString(const std::vector<char>& block, const char* translation, const char* name) {
  const std::string sub = std::string("\\StringFileInfo\\") + translation + "\\" + name;
  char* value = nullptr;
  UINT len = 0;
  if (!::VerQueryValueA(block.data(), sub.c_str(), reinterpret_cast<void**>(&value), &len) || value == nullptr ||
      len == 0)
    return {};
  return std::string(value, ::strnlen(value, len));
}

}  // namespace

void SplitExecutablePath(const std::string& exePath, std::string& folder, std::string& exeName) {
  const auto sep = exePath.find_last_of("\\/");
  std::string name = sep == std::string::npos ? exePath : exePath.substr(sep + 1);
  folder = sep == std::string::npos ? std::string() : exePath.substr(0, sep);
  // "C:" alone is the current folder of drive C, not its root.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  if (name.size() > 4 && ::_stricmp(name.c_str() + name.size() - 4, ".exe") == 0) name.resize(name.size() - 4);
  exeName = name;
}

std::optional<VersionResource> ReadVersionResource(const std::string& exePath) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(exePath.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<char> block(size);
  if (!::GetFileVersionInfoA(exePath.c_str(), 0, size, block.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || fixed == nullptr ||
      len < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  VersionResource v;
  v.major = HIWORD(fixed->dwFileVersionMS);
  v.minor = LOWORD(fixed->dwFileVersionMS);
  v.revision = HIWORD(fixed->dwFileVersionLS);

  // The company name in the first translation the resource lists.
  struct Translation {
    WORD language;
    WORD codePage;
  }* tr = nullptr;
  if (::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) &&
      tr != nullptr && len >= sizeof(Translation)) {
    char key[9];
    ::wsprintfA(key, "%04x%04x", tr->language, tr->codePage);
    v.company = QueryString(block, key, "CompanyName");
  }
  return v;
}

AppInfo Win32AppInfo() {
  AppInfo info;
  const std::string exe = ModulePath();
  info.exePath = exe;
  SplitExecutablePath(exe, info.folder, info.exeName);
  // The numbers the program shows are those of the resource Windows shows for the file; a copy
  // without one (a test program) keeps the numbers it was built with.
  if (const auto v = ReadVersionResource(exe)) {
    info.major = v->major;
    info.minor = v->minor;
    info.revision = v->revision;
    if (!v->company.empty()) info.company = v->company;
  }
  return info;
}

}  // namespace tavrel
