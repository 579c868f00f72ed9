#pragma once

#include "settings/IRegistry.h"

namespace tavrel {

class XdgAutostart : public IRegistry {
 public:
  bool SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName,
                        const std::string& data) override;
  void DeleteRegistryValue(std::uint32_t root, const std::string& subKey,
                           const std::string& valueName) override;
};

}  // namespace tavrel
