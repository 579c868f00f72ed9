#include "app/modMain.h"

#include <cmath>

namespace tavrel::modMain {

std::string StripTrailingBackslash(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  std::string t = s.substr(first, last - first + 1);
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

long RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double frac = v - f;
  long r = static_cast<long>(f);
  if (frac > 0.5 || (frac == 0.5 && (r % 2 != 0))) ++r;
  return r;
}

Rect CenterForm(long screenWidth, long screenHeight, const Rect& w) {
  Rect r = w;
  r.left = RoundHalfEven(screenWidth / 2.0 - w.width / 2.0);
  r.top = RoundHalfEven(screenHeight / 2.0 - w.height / 2.0);
  return r;
}

}  // namespace tavrel::modMain
