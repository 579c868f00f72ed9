// Provisional until the monitor lands: a tick does nothing.
#include "monitor/MonitorCycle.h"

namespace tavrel {

void RunMonitorCycle(Env&, MonitorParts&) {}

}  // namespace tavrel
