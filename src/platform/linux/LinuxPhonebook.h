#pragma once

#include "monitor/IPhonebook.h"

namespace tavrel {

class LinuxPhonebook : public IPhonebook {
 public:
  std::uint32_t RasDial(const RasDialParams& params) override;
  std::uint32_t RasEnumEntries(std::vector<RasEntryName>& entries, std::uint32_t& count) override;
  std::uint32_t RasGetEntryDialParams(RasDialParams& params, bool& passwordSaved) override;
};

}  // namespace tavrel
