// Provisional: the daily log files are written once the log writer lands.
#include "activity/modMain.h"
#include "netinfo/ConnectionList.h"

namespace tavrel::modMain {

void WriteLogs(Env&, const ActivityText&, const ConnectionList&) {}

}  // namespace tavrel::modMain
