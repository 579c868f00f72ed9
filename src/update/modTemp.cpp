#include "update/modTemp.h"

namespace tavrel::modTemp {

std::string TempFolderPath(Env& env) { return env.fs.TempFolder(); }

std::string CollapseDoubledSeparators(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (s[i] == kPathSep && i + 1 < s.size() && s[i + 1] == kPathSep) ++i;  // skip the pair's second
  }
  return out;
}

std::string LocalArchivePath(Env& env) {
  const std::string folder = TempFolderPath(env);
  // No temporary folder of the user's own: no place at all, rather than the root of the disk.
  if (folder.empty()) return {};
  return CollapseDoubledSeparators(folder + kPathSep + "tavrel_upd.zip");
}

}  // namespace tavrel::modTemp
