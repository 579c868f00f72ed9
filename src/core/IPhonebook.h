// The phonebook of dial-up (and other redialable) connections and its dialler.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tavrel {

// Dial parameters in the platform's fixed-size byte fields, each terminated by a zero byte.
struct RasDialParams {
  std::uint32_t dwSize = 1052;
  std::array<char, 257> szEntryName{};
  std::array<char, 129> szPhoneNumber{};
  std::array<char, 129> szCallbackNumber{};
  std::array<char, 257> szUserName{};
  std::array<char, 257> szPassword{};
  std::array<char, 16> szDomain{};
};

struct RasEntryName {
  std::uint32_t dwSize = 264;
  std::array<char, 257> szEntryName{};
};

inline constexpr std::uint32_t kMaxPhonebookEntries = 256;

// What a dial answers when it outlived its time bound and was abandoned (hung up): the
// platform's ERROR_REQUEST_TIMEOUT.
inline constexpr std::uint32_t kRasErrorTimeout = 638;

class IPhonebook {
 public:
  virtual ~IPhonebook() = default;
  // Dials synchronously: returns only when the connection is up (0) or the attempt failed
  // (non-zero). Bounded in time: an attempt past the bound is abandoned and answers
  // kRasErrorTimeout.
  virtual std::uint32_t RasDial(const RasDialParams& params) = 0;
  // Fills at most entries.size() names in phonebook order; count receives how many were
  // written. Returns 0 on success.
  virtual std::uint32_t RasEnumEntries(std::vector<RasEntryName>& entries, std::uint32_t& count) = 0;
  // Fills szUserName and szPassword for the entry named in szEntryName. Returns 0 on success.
  virtual std::uint32_t RasGetEntryDialParams(RasDialParams& params, bool& passwordSaved) = 0;
};

}  // namespace tavrel
