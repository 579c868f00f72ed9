// Provisional until the INI reader and writer land: every read gives the default.
#include "settings/ProfileFile.h"

namespace tavrel {

std::string ProfileFile::GetPrivateProfileString(const std::string&, const std::string&,
                                                  const std::string& defaultValue,
                                                  std::size_t bufferSize, const std::string&) {
  return defaultValue.substr(0, bufferSize ? bufferSize - 1 : 0);
}

bool ProfileFile::WritePrivateProfileString(const std::string&, const std::string&,
                                            const std::string&, const std::string&) {
  return false;
}

}  // namespace tavrel
