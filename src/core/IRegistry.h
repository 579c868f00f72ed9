// The start lists that make the desktop start the program at logon.
#pragma once

#include <cstdint>
#include <string>

namespace tavrel {

inline constexpr std::uint32_t HKEY_LOCAL_MACHINE_ = 0x80000002u;
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Writes a value (keeping the type of an existing one); true when it was written.
  virtual bool SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName,
                                const std::string& data) = 0;
  // Why the last SetRegistryValue that returned false failed, in a few words for the user;
  // empty when no reason is known.
  virtual std::string LastFailure() const { return {}; }
  // Removes a value; a missing value or key is silently ignored.
  virtual void DeleteRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName) = 0;
};

}  // namespace tavrel
