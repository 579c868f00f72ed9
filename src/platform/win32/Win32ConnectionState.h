// The connection state on Windows: WinINet's InternetGetConnectedState and the System Event
// Notification service's IsNetworkAlive, asked afresh on every call.
#pragma once

#include "core/IConnectionState.h"

namespace tavrel {

class Win32ConnectionState : public IConnectionState {
 public:
  int InternetGetConnectedState(std::uint32_t& flags) override;
  int IsNetworkAlive(std::uint32_t& flags) override;
};

}  // namespace tavrel
