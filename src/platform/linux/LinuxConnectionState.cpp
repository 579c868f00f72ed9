// Provisional: answers as if the facility had nothing to report.
#include "platform/linux/LinuxConnectionState.h"

namespace tavrel {

int LinuxConnectionState::InternetGetConnectedState(std::uint32_t& flags) { flags = 0; return 0; }
int LinuxConnectionState::IsNetworkAlive(std::uint32_t& flags) { flags = 0; return 0; }

}  // namespace tavrel
