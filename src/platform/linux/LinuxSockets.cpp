// Provisional: answers as if the facility had nothing to report.
#include "platform/linux/LinuxSockets.h"

namespace tavrel {

int LinuxSockets::WSAStartup(std::uint16_t v, WsaData& d) { d.wVersion = v; d.iMaxSockets = 32767; return 0; }
int LinuxSockets::WSACleanup() { return 0; }
int LinuxSockets::WSAGetLastError() { return 0; }
int LinuxSockets::gethostname(std::string& name) { name.clear(); return -1; }
std::optional<std::vector<std::uint8_t>> LinuxSockets::gethostbyname(const std::string&) { return std::nullopt; }

}  // namespace tavrel
