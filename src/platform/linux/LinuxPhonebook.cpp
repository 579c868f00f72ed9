// Provisional: answers as if the facility had nothing to report.
#include "platform/linux/LinuxPhonebook.h"

namespace tavrel {

std::uint32_t LinuxPhonebook::RasDial(const RasDialParams&) { return 1; }
std::uint32_t LinuxPhonebook::RasEnumEntries(std::vector<RasEntryName>&, std::uint32_t& count) { count = 0; return 0; }
std::uint32_t LinuxPhonebook::RasGetEntryDialParams(RasDialParams&, bool&) { return 1; }

}  // namespace tavrel
