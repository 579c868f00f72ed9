// The profile-file ("INI") facility the settings store reads and writes through.
#pragma once

#include <cstddef>
#include <string>

namespace tavrel {

class IProfile {
 public:
  virtual ~IProfile() = default;
  // The value of key in section of the file at path, at most bufferSize - 1 characters; the
  // default when the file, the section or the key is missing.
  virtual std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                              const std::string& defaultValue, std::size_t bufferSize,
                                              const std::string& path) = 0;
  // Stores value under key in section, creating the file and the section when missing. False
  // when the value was not stored.
  virtual bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                         const std::string& path) = 0;
  // Why the last write failed, in a few words for the user ("owned by another user"); empty
  // when the last write succeeded, or when the platform gives no reason.
  virtual std::string LastFailure() const { return {}; }
};

}  // namespace tavrel
