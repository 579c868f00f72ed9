#include "platform/win32/Win32Profile.h"

#include "platform/win32/Win32Errors.h"

#include <climits>
#include <string_view>

namespace tavrel {

namespace {

bool HasLineBreak(const std::string& s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string Win32Profile::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                  const std::string& defaultValue, std::size_t bufferSize,
                                                  const std::string& path) {
  if (bufferSize == 0) return {};
  if (bufferSize > INT_MAX) bufferSize = INT_MAX;
  std::string buf(bufferSize, '\0');
  const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buf.data(),
                                             static_cast<DWORD>(bufferSize), path.c_str());
  buf.resize(n < bufferSize ? n : bufferSize - 1);
  return buf;
}

bool Win32Profile::WritePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value, const std::string& path) {
  const std::string name = Trimmed(key);
  if (Trimmed(section).empty() || name.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      name.find('=') != std::string::npos || name.front() == '[') {
    lastFailure_ = "it cannot be stored in the settings file";
    return false;
  }
  if (!::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str())) {
    lastFailure_ = win32errors::Last();
    return false;
  }
  lastFailure_.clear();
  return true;
}

}  // namespace tavrel
