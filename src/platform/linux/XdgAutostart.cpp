// Provisional: answers as if the facility had nothing to report.
#include "platform/linux/XdgAutostart.h"

namespace tavrel {

bool XdgAutostart::SetRegistryValue(std::uint32_t, const std::string&, const std::string&, const std::string&) { return false; }
void XdgAutostart::DeleteRegistryValue(std::uint32_t, const std::string&, const std::string&) {}

}  // namespace tavrel
