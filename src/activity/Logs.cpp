// The daily log files: the monitor log receives the activity view's whole text, the traffic log
// a comma-separated copy of the connection list, one pair of files per day in the program
// folder's logs folder.
//
// Before each write the log's file system is asked for its free room: below a floor (2 % of
// the file system, at most 512 MiB) the write is skipped, and the activity view says so once;
// when the room is back the writes resume, and the view says that too.
//
// Line ends: every monitor-log piece is followed by CR LF, so that the next piece (which starts
// with the view's first line, not with a line end) begins on a line of its own. The traffic
// header ends with one CR LF and the rows follow at once: no empty line below the header.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "activity/ConnectionList.h"
#include "activity/modMain.h"

namespace tavrel::modMain {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTrafficHeader = "Local IP,Local Port,Remote IP,Remote Port,State,State Description\r\n";

// A log that cannot be written is reported once, when its writes start failing; the next
// successful write ends the run of failures. Keyed by the file's path, so a new day's file that
// fails too is named again.

// Makes the folders from the first to the last again when they are missing. The program
// folder itself is never made.
void RemakeFolders(Env& env, std::initializer_list<std::string> folders) {
  for (const std::string& f : folders)
    if (!env.fs.IsFolder(f)) env.fs.CreateFolder(f);
}

// Appends the pieces to the file in one opening. When they cannot be written because a log
// folder has vanished, the folders are made again and the write is tried once more.
bool AppendPieces(Env& env, const std::string& path, std::initializer_list<std::string_view> pieces,
                  std::initializer_list<std::string> folders) {
  if (env.fs.AppendPieces(path, pieces)) return true;
  RemakeFolders(env, folders);
  return env.fs.AppendPieces(path, pieces);
}

// The room kept free on a log's file system: 2 % of it, at most 512 MiB. Below it the log is not
// written, so that the logs never fill the disk the user's other programs need.
constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kFloorCap = 512 * kMiB;

std::uint64_t FloorOf(const DiskSpace& s) { return std::min(s.total / 50, kFloorCap); }

std::string SizeText(std::uint64_t bytes) {
  const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  double v = static_cast<double>(bytes);
  std::size_t u = 0;
  while (v >= 1024 && u + 1 < std::size(units)) v /= 1024, ++u;
  char buf[32];
  if (u == 0)
    std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
  else
    std::snprintf(buf, sizeof buf, v < 10 ? "%.1f %s" : "%.0f %s", v, units[u]);
  return buf;
}

// One log's room at this write. A file system whose room cannot be told is written to.
struct Room {
  const char* log;     // "monitor", "traffic"
  std::string folder;  // the log's folder
  std::optional<DiskSpace> space;
  bool Low() const { return space && space->available < FloorOf(*space); }
};

// " the monitor log", " the monitor and traffic logs"
std::string LogsText(const std::vector<const Room*>& rooms) {
  std::string s = " the ";
  for (std::size_t i = 0; i < rooms.size(); ++i) {
    if (i) s += " and ";
    s += rooms[i]->log;
  }
  return s + (rooms.size() > 1 ? " logs" : " log");
}

// Says once when logs stop being written for lack of room, and once when they start again.
void AnnounceRoom(Env& env, ActivityText& view, std::set<std::string>& pausedFolders,
                  std::initializer_list<const Room*> rooms) {
  std::vector<const Room*> paused, resumed;
  for (const Room* r : rooms) {
    if (r->Low() && pausedFolders.insert(r->folder).second) paused.push_back(r);
    if (!r->Low() && pausedFolders.erase(r->folder)) resumed.push_back(r);
  }
  if (!resumed.empty()) {
    const Room& r = *resumed.front();
    AppendActivity(env, view,
                   " Disk space is back (" + (r.space ? SizeText(r.space->available) + " free in " : std::string()) +
                       r.folder + "):" + LogsText(resumed) + (resumed.size() > 1 ? " are" : " is") + " written again");
  }
  if (!paused.empty()) {
    const Room& r = *paused.front();
    AppendActivity(env, view,
                   " Disk nearly full (" + SizeText(r.space->available) + " free in " + r.folder +
                       "):" + LogsText(paused) + (paused.size() > 1 ? " are" : " is") +
                       " not written while less than " + SizeText(FloorOf(*r.space)) + " is free");
  }
}

void Track(Env& env, ActivityText& view, std::string& failing, const std::string& path, bool ok,
           const std::string& why) {
  if (ok) {
    failing.clear();
    return;
  }
  if (failing == path) return;
  failing = path;
  AppendActivity(env, view, " Cannot write the log file " + path + (why.empty() ? "" : ": " + why));
}

}  // namespace

void Logs::Write(Env& env, ActivityText& view, const ConnectionList& list) {
  const std::string date = DateText(env.clock.Now());  // one reading names both files
  const std::string logs = env.app.InFolder("logs");
  const std::string traffic = logs + kPathSep + "traffic";
  const std::string monitorPath = logs + kPathSep + date + "_monitor.log";
  const std::string trafficPath = traffic + kPathSep + date + "_traffic.log";

  // Before each write: is there room enough on the log's disk? Both logs are asked first, so
  // that one entry tells of both when they share a disk.
  // A folder that has gone (made again below) is judged by the folder that holds it.
  std::optional<DiskSpace> monitorSpace = env.fs.SpaceOf(logs);
  if (!monitorSpace) monitorSpace = env.fs.SpaceOf(env.app.folder);
  std::optional<DiskSpace> trafficSpace = env.fs.SpaceOf(traffic);
  if (!trafficSpace) trafficSpace = monitorSpace;
  const Room monitorRoom{"monitor", logs, monitorSpace};
  const Room trafficRoom{"traffic", traffic, trafficSpace};
  AnnounceRoom(env, view, pausedFolders_, {&monitorRoom, &trafficRoom});

  // The view's text goes out as it stands, without a copy, in one opening of the file.
  bool monitorOk = true, trafficOk = true;
  std::string monitorWhy, trafficWhy;
  if (!monitorRoom.Low()) {
    monitorOk = AppendPieces(env, monitorPath, {view.Text(), kCrLf}, {logs});
    if (!monitorOk) monitorWhy = env.fs.LastFailure();
  }

  if (!trafficRoom.Low()) {
    std::string block;
    const std::size_t n = list.Count();
    block.reserve(kTrafficHeader.size() + n * 64);
    block += kTrafficHeader;
    for (std::size_t i = 0; i < n; ++i) {
      const ConnectionList::Row& row = list.Item(i);
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (c) block += ',';
        block += row[c];
      }
      block += kCrLf;
    }
    trafficOk = AppendPieces(env, trafficPath, {block}, {logs, traffic});
    if (!trafficOk) trafficWhy = env.fs.LastFailure();
  }

  Track(env, view, monitorFailure_, monitorPath, monitorOk, monitorWhy);
  Track(env, view, trafficFailure_, trafficPath, trafficOk, trafficWhy);
}

}  // namespace tavrel::modMain
