#pragma once

#include "monitor/IConnectionState.h"

namespace tavrel {

class LinuxConnectionState : public IConnectionState {
 public:
  int InternetGetConnectedState(std::uint32_t& flags) override;
  int IsNetworkAlive(std::uint32_t& flags) override;
};

}  // namespace tavrel
