// The activity view's time stamps and entries, and the daily log files.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "activity/ActivityText.h"
#include "core/Env.h"

namespace tavrel {
class ConnectionList;
}

namespace tavrel::modMain {

// "dd-mm-yy - hh:mm:ss" of the clock's current local time (19 characters).
std::string TimeStamp(IClock& clock);
// "dd-mm-yy" of a local time: the date part of the stamp and of the log file names.
std::string DateText(const LocalTime& t);
// Adds CR LF, a fresh stamp and the message at the end of the view's text.
void AppendActivity(Env& env, ActivityText& view, std::string_view message);
// The daily log files of one main window, and what it remembers between writes.
class Logs {
 public:
  // Appends the view's whole text to today's monitor log and the list's rows, in display order,
  // to today's traffic log. A log folder that has gone is made again; a log that still cannot be
  // written is named once in the view with the reason (one entry per run of failed writes), and
  // the caller goes on. A log whose disk is nearly full is held back, said once in the view,
  // until its room is back.
  void Write(Env& env, ActivityText& view, const ConnectionList& list);

 private:
  // The file whose failed write was named last; empty while its writes succeed.
  std::string monitorFailure_;
  std::string trafficFailure_;
  std::set<std::string> pausedFolders_;  // held back for lack of room
};

}  // namespace tavrel::modMain
