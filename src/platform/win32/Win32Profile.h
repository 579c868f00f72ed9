// The settings file on Windows: the profile API itself (GetPrivateProfileStringA,
// WritePrivateProfileStringA), so the file follows the platform's own rules.
#pragma once

#include "platform/win32/Win32Api.h"

#include "core/IProfile.h"

namespace tavrel {

class Win32Profile : public IProfile {
 public:
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, std::size_t bufferSize,
                                      const std::string& path) override;
  // Refuses (false, file untouched) names or values that would break the file's layout: an
  // empty name, a line break in any of them, a key holding '=' or beginning with '[' (the
  // API would write them as they are, and the line would read back as something else). Same
  // rule as the project's own writer on Linux.
  bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                 const std::string& path) override;
  std::string LastFailure() const override { return lastFailure_; }

 private:
  std::string lastFailure_;
};

}  // namespace tavrel
