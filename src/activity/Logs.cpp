// The daily log files: the monitor log receives the activity view's whole text, the traffic log
// a comma-separated copy of the connection list, one pair of files per day in the program
// folder's logs folder.
//
// Line ends: every monitor-log piece is followed by CR LF, so that the next piece (which starts
// with the view's first line, not with a line end) begins on a line of its own. The traffic
// header ends with one CR LF and the rows follow at once: no empty line below the header.
#include <initializer_list>
#include <string>
#include <string_view>

#include "activity/modMain.h"
#include "activity/ConnectionList.h"

namespace tavrel::modMain {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTrafficHeader =
    "Local IP,Local Port,Remote IP,Remote Port,State,State Description\r\n";

// A log that cannot be written is reported once, when its writes start failing; the next
// successful write ends the run of failures. Keyed by the file's path, so a new day's file that
// fails too is named again.
struct FailureStreak {
  std::string path;  // empty while writes succeed
};
FailureStreak monitorStreak;
FailureStreak trafficStreak;

// Makes the folders from the first to the last again when they are missing. The program
// folder itself is never made.
void RemakeFolders(Env& env, std::initializer_list<std::string> folders) {
  for (const std::string& f : folders)
    if (!env.fs.IsFolder(f)) env.fs.CreateFolder(f);
}

// Appends the pieces to the file one after another. When a piece cannot be written because a
// log folder has vanished, the folders are made again and that piece is tried once more.
bool AppendPieces(Env& env, const std::string& path, std::initializer_list<std::string_view> pieces,
                  std::initializer_list<std::string> folders) {
  bool remade = false;
  for (const std::string_view p : pieces) {
    if (env.fs.AppendFile(path, p)) continue;
    if (remade) return false;
    RemakeFolders(env, folders);
    remade = true;
    if (!env.fs.AppendFile(path, p)) return false;
  }
  return true;
}

void Track(Env& env, ActivityText& view, FailureStreak& streak, const std::string& path, bool ok,
           const std::string& why) {
  if (ok) {
    streak.path.clear();
    return;
  }
  if (streak.path == path) return;
  streak.path = path;
  AppendActivity(env, view, " Cannot write the log file " + path + (why.empty() ? "" : ": " + why));
}

}  // namespace

void WriteLogs(Env& env, ActivityText& view, const ConnectionList& list) {
  const std::string date = DateText(env.clock.Now());  // one reading names both files
  const std::string logs = env.app.InFolder("logs");
  const std::string traffic = logs + kPathSep + "traffic";
  const std::string monitorPath = logs + kPathSep + date + "_monitor.log";
  const std::string trafficPath = traffic + kPathSep + date + "_traffic.log";

  // The view's text goes out as it stands, without a copy.
  const bool monitorOk = AppendPieces(env, monitorPath, {view.Text(), kCrLf}, {logs});
  const std::string monitorWhy = monitorOk ? std::string() : env.fs.LastFailure();

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
  const bool trafficOk = AppendPieces(env, trafficPath, {block}, {logs, traffic});
  const std::string trafficWhy = trafficOk ? std::string() : env.fs.LastFailure();

  Track(env, view, monitorStreak, monitorPath, monitorOk, monitorWhy);
  Track(env, view, trafficStreak, trafficPath, trafficOk, trafficWhy);
}

}  // namespace tavrel::modMain
