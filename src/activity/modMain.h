// The activity view's time stamps and entries, and the daily log files.
#pragma once

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
// Appends the view's whole text to today's monitor log and the list's rows, in display order,
// to today's traffic log. A log folder that has gone is made again; a log that still cannot be
// written is named once in the view with the reason (one entry per run of failed writes), and
// the caller goes on.
void WriteLogs(Env& env, ActivityText& view, const ConnectionList& list);

}  // namespace tavrel::modMain
