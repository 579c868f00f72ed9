// The monitor cycle: the tick handler of the main window's timer tmrConnect.
#pragma once

#include <cstdint>
#include <string_view>

#include "activity/ActivityText.h"
#include "activity/ConnectionList.h"
#include "activity/modMain.h"
#include "core/Env.h"
#include "core/ITimer.h"

namespace tavrel {

// The parts of the main window the cycle works on.
struct MonitorParts {
  ActivityText& activity;           // txtConnection
  ConnectionList& list;             // ListView1
  ITimer& timer;                    // tmrConnect
  WindowHandle mainWindow;          // for SetTopMost / ClearTopMost
  std::int16_t& reconnectFailures;  // process-wide count of failed automatic redials
  modMain::Logs& logs;              // the daily logs each tick ends with
  // Set while a tick runs (the monitor runs on the one user-interface thread only): a tick that
  // a message box's or a dial's event loop lets in meanwhile does nothing.
  bool& inTick;
};

// One tick: probe, re-read AutoRecon, Retry, ConID, UName and PWord, then exactly one of: stop
// for lack of an account, handle a lost connection (automatic redial with a failure count, or
// ask the user), note an offline state, or refresh the connection list; every path that keeps
// monitoring ends by writing the logs and switching the timer on again, so the next tick comes a
// full interval after the end of this one.
//
// Settings that do not read as intended:
// - AutoRecon is compared as a number with 1 ("01", "1.0" are automatic). Text that is no number
//   asks the user, like any number other than 1, and the lost tick says why in an entry.
// - Retry is read as a signed 16-bit whole number (halves round to even). Text that is no number
//   or lies outside -32768..32767 counts as the default 5, and the lost tick says so.
// - A Retry the count can never meet (negative, or lowered below the count) keeps redialling at
//   every lost tick, each time with an entry saying that no limit applies.
// - The count never wraps: once it stands at 32767 the next lost tick gives up as if Retry had
//   been reached.
//
// Never runs inside another tick: a tick that arrives while one runs returns at once.
void RunMonitorCycle(Env& env, MonitorParts& parts);

// True when the state text says the machine is not connected or is offline.
bool IsOfflineState(std::string_view state);

}  // namespace tavrel
