// The monitor cycle: the tick handler of the main window's timer tmrConnect.
#pragma once

#include <cstdint>

#include "activity/ActivityText.h"
#include "app/Env.h"
#include "app/ITimer.h"
#include "netinfo/ConnectionList.h"

namespace tavrel {

// The parts of the main window the cycle works on.
struct MonitorParts {
  ActivityText& activity;   // txtConnection
  ConnectionList& list;     // ListView1
  ITimer& timer;            // tmrConnect
  WindowHandle mainWindow;  // for SetTopMost / ClearTopMost
  std::int16_t& reconnectFailures;  // process-wide count of failed automatic redials
};

// One tick. Never runs inside another: a tick that arrives while one runs is ignored.
void RunMonitorCycle(Env& env, MonitorParts& parts);

}  // namespace tavrel
