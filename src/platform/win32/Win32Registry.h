// Start at logon on Windows: values in the registry's Run and RunOnce keys.
#pragma once

#include <optional>
#include <string>

#include "core/IRegistry.h"

namespace tavrel {

class Win32Registry : public IRegistry {
 public:
  // Opens the existing key (never creates one) and writes the value, keeping the type of a value
  // that is already there:
  // - none yet, REG_SZ or REG_EXPAND_SZ: the data as text with its terminating zero byte;
  // - REG_DWORD: the data's leading number rounded to a whole number (halves to even), four
  //   bytes least significant first; false when there is no number or it does not fit 32 bits;
  // - any other type, or an existing value of more than 1024 bytes: nothing is written (the
  //   value is not one this program made) and the result is false.
  // True exactly when the value was written.
  bool SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName,
                        const std::string& data) override;
  // Removes the value; a missing key or value is not an error.
  void DeleteRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName) override;
  std::string LastFailure() const override { return lastFailure_; }

 private:
  bool Fail(std::string why);
  std::string lastFailure_;
};

// The leading decimal number of a text (blanks before it skipped), as the registry's number
// values take it; nothing when the text does not begin with one. Exposed for tests.
std::optional<double> LeadingNumber(const std::string& text);

}  // namespace tavrel
