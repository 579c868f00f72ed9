// Provisional until the host lookup lands.
#include "netinfo/StartupReport.h"

namespace tavrel::modMain {

std::string StartupReport(Env&) { return {}; }

}  // namespace tavrel::modMain
