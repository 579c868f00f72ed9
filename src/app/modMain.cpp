#include "app/modMain.h"

#include "core/Convert.h"

namespace tavrel::modMain {

std::string StripTrailingBackslash(const std::string& s) {
  std::string t(convert::Trim(s, " "));
  if (!t.empty() && t.back() == kPathSep) t.pop_back();
  return t;
}

bool FolderExists(Env& env, std::string& p) {
  p = StripTrailingBackslash(p);
  return !p.empty() && env.fs.IsFolder(p);
}

bool FileExists(Env& env, const std::string& p) {
  if (p.find_first_not_of(' ') == std::string::npos) return false;
  return env.fs.IsOrdinaryFile(p);
}

Rect CenterForm(long screenWidth, long screenHeight, const Rect& w) {
  Rect r = w;
  r.left = convert::RoundHalfEven(screenWidth / 2.0 - w.width / 2.0);
  r.top = convert::RoundHalfEven(screenHeight / 2.0 - w.height / 2.0);
  return r;
}

}  // namespace tavrel::modMain
