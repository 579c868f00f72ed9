#include <gtest/gtest.h>

#include "activity/ConnectionList.h"
#include "activity/modMain.h"
#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

constexpr const char* kHeader = "Local IP,Local Port,Remote IP,Remote Port,State,State Description\r\n";

struct LogsFixture : ::testing::Test {
  LogsFixture() {
    f.fs.MakeFolders(P("/app/logs/traffic"));
    view.Replace("Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started");
  }
  std::string File(const std::string& path) {
    const auto it = f.fs.files.find(path);
    return it == f.fs.files.end() ? std::string("<missing>") : it->second;
  }
  // How often the view holds what.
  int Count(const std::string& what) const {
    int n = 0;
    for (std::size_t at = view.Text().find(what); at != std::string::npos; at = view.Text().find(what, at + 1)) ++n;
    return n;
  }
  fakes::FakeEnv f;
  ActivityText view;
  ConnectionList list;
  modMain::Logs logs;  // one main window's logs, as the program has them
  const std::string started = "Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started\r\n";
  const std::string monitor = P("/app/logs/04-12-26_monitor.log");
  const std::string traffic = P("/app/logs/traffic/04-12-26_traffic.log");
};

TEST_F(LogsFixture, TrafficBlockIsTheHeaderAndOneLinePerRowInDisplayOrder) {
  f.fs.files[traffic] = "earlier\r\n";  // existing files are extended, never truncated
  list.Add({"10.0.0.2", "49152", "93.184.216.34", "80", "5", "Established"});
  list.Add({"127.0.0.1", "631", "127.0.0.1", "40000", "11", "Time wait"});
  list.ColumnClick(4);  // "State", descending: "5" before "11"
  logs.Write(f.env, view, list);
  list.ColumnClick(4);  // ascending: "11" before "5"
  logs.Write(f.env, view, list);
  const std::string a = "10.0.0.2,49152,93.184.216.34,80,5,Established\r\n";
  const std::string b = "127.0.0.1,631,127.0.0.1,40000,11,Time wait\r\n";
  EXPECT_EQ(File(traffic), "earlier\r\n" + std::string(kHeader) + a + b + kHeader + b + a);
  EXPECT_EQ(f.log.Count("AppendFile " + traffic), 2) << "each log is opened once per write, not once per row";
}

TEST_F(LogsFixture, MonitorLogGetsTheWholeViewEachTimeAndANewPairOfFilesBeginsAfterMidnight) {
  f.clock.now = {2026, 12, 31, 23, 59, 58};
  f.fs.files[P("/app/logs/31-12-26_monitor.log")] = "earlier\r\n";
  logs.Write(f.env, view, list);
  logs.Write(f.env, view, list);
  f.clock.Advance(3);  // 01-01-27 00:00:01
  modMain::AppendActivity(f.env, view, " Connection lost");
  logs.Write(f.env, view, list);
  EXPECT_EQ(File(P("/app/logs/31-12-26_monitor.log")), "earlier\r\n" + started + started);
  EXPECT_EQ(File(P("/app/logs/01-01-27_monitor.log")), started + "01-01-27 - 00:00:01 Connection lost\r\n");
  EXPECT_EQ(File(P("/app/logs/traffic/31-12-26_traffic.log")), std::string(kHeader) + kHeader);
  EXPECT_EQ(File(P("/app/logs/traffic/01-01-27_traffic.log")), kHeader);
}

TEST_F(LogsFixture, AVanishedLogFolderIsMadeAgain) {
  logs.Write(f.env, view, list);
  f.fs.folders.erase(P("/app/logs/traffic"));
  f.fs.folders.erase(P("/app/logs"));
  f.fs.files.clear();
  logs.Write(f.env, view, list);
  EXPECT_EQ(File(monitor), started);
  EXPECT_EQ(File(traffic), kHeader);
  EXPECT_EQ(view.Text().find("Cannot"), std::string::npos);
}

TEST_F(LogsFixture, AnUnwritableLogIsNamedOncePerRunOfFailures) {
  f.fs.readOnly = true;
  for (int tick = 0; tick < 3; ++tick) logs.Write(f.env, view, list);
  EXPECT_EQ(Count("\r\n04-12-26 - 13:58:05 Cannot write the log file " + monitor + ": read-only file system"), 1)
      << view.Text();
  EXPECT_EQ(Count(" Cannot write the log file " + traffic + ": read-only file system"), 1);
  const std::string once = view.Text();
  f.fs.readOnly = false;
  logs.Write(f.env, view, list);
  EXPECT_EQ(view.Text(), once) << "success adds nothing";
  EXPECT_NE(File(monitor).find("Cannot write the log file"), std::string::npos)
      << "the entries reach the log once it can be written";
  f.fs.readOnly = true;
  logs.Write(f.env, view, list);
  EXPECT_EQ(Count("Cannot write the log file " + monitor), 2) << "a new run of failures is named again";
}

// The disk's free room decides whether a log is written: below 2 % of the file system, or
// below 512 MiB on a file system larger than 25.6 GiB, nothing is appended.
struct LowDisk : LogsFixture {
  void Room(std::uint64_t available, std::uint64_t total) {
    for (const std::string& folder : {P("/app/logs"), P("/app/logs/traffic")})
      f.fs.space[folder] = DiskSpace{available, total};
  }
};

TEST_F(LowDisk, LogsWaitForRoomAndTheViewSaysSoOnceEachWay) {
  constexpr std::uint64_t kTotal = 100 * 1024 * 1024;  // floor: 2 MiB
  Room(kTotal / 50 - 1, kTotal);
  for (int tick = 0; tick < 3; ++tick) logs.Write(f.env, view, list);
  EXPECT_EQ(File(monitor) + File(traffic), "<missing><missing>");
  EXPECT_EQ(Count(" Disk nearly full (2.0 MiB free in " + P("/app/logs") +
                  "): the monitor and traffic logs are not written while less than 2.0 MiB is free"),
            1)
      << view.Text();

  Room(kTotal / 50, kTotal);  // exactly the floor: room enough
  logs.Write(f.env, view, list);
  logs.Write(f.env, view, list);
  EXPECT_EQ(Count(" Disk space is back (2.0 MiB free in " + P("/app/logs") +
                  "): the monitor and traffic logs are written again"),
            1)
      << view.Text();
  EXPECT_EQ(Count("Disk nearly full"), 1);
  const std::string log = File(monitor);
  EXPECT_NE(log.find("Disk nearly full"), std::string::npos) << "the held-back entries reach the log";
  EXPECT_NE(log.find("Disk space is back"), std::string::npos) << "in the first write after the pause";
  EXPECT_EQ(File(traffic), std::string(kHeader) + kHeader);
}

TEST_F(LowDisk, TheFloorIsAtMost512MiB) {
  constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
  Room(600 * 1024 * 1024, 1024 * kGiB);  // 2 % would be 20 GiB
  logs.Write(f.env, view, list);
  EXPECT_NE(File(monitor), "<missing>");
  Room(500 * 1024 * 1024, 1024 * kGiB);
  logs.Write(f.env, view, list);
  EXPECT_EQ(Count("than 512 MiB is free"), 1) << view.Text();
  Room(kGiB, 1024 * kGiB);
  logs.Write(f.env, view, list);
  EXPECT_EQ(Count("Disk space is back (1.0 GiB free"), 1) << view.Text();
}

}  // namespace
}  // namespace tavrel
