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
  fakes::FakeEnv f;
  ActivityText view;
  ConnectionList list;
  modMain::Logs logs;  // one main window's logs, as the program has them
};

TEST_F(LogsFixture, TrafficBlockIsTheHeaderAndOneLinePerRowInDisplayOrder) {
  const std::string traffic = P("/app/logs/traffic/04-12-26_traffic.log");
  f.fs.files[traffic] = "earlier\r\n";  // existing files are extended, never truncated
  logs.Write(f.env, view, list);
  EXPECT_EQ(File(traffic), std::string("earlier\r\n") + kHeader) << "an empty list: the header alone";
  list.Add({"10.0.0.2", "49152", "93.184.216.34", "80", "5", "Established"});
  list.Add({"127.0.0.1", "631", "127.0.0.1", "40000", "11", "Time wait"});
  list.ColumnClick(4);  // "State", descending: "5" before "11"
  logs.Write(f.env, view, list);
  list.ColumnClick(4);  // ascending: "11" before "5"
  logs.Write(f.env, view, list);
  const std::string a = "10.0.0.2,49152,93.184.216.34,80,5,Established\r\n";
  const std::string b = "127.0.0.1,631,127.0.0.1,40000,11,Time wait\r\n";
  EXPECT_EQ(File(traffic), "earlier\r\n" + std::string(kHeader) + kHeader + a + b + kHeader + b + a);
}

TEST_F(LogsFixture, MonitorLogReceivesTheWholeViewEachTimeOnItsOwnLines) {
  f.fs.files[P("/app/logs/04-12-26_monitor.log")] = "earlier\r\n";
  logs.Write(f.env, view, list);
  modMain::AppendActivity(f.env, view, " Connection lost");
  logs.Write(f.env, view, list);
  EXPECT_EQ(File(P("/app/logs/04-12-26_monitor.log")),
            "earlier\r\n"
            "Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started\r\n"
            "Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started\r\n"
            "04-12-26 - 13:58:05 Connection lost\r\n");
  EXPECT_EQ(view.Text().find("Cannot"), std::string::npos);
}

TEST_F(LogsFixture, ANewPairOfFilesBeginsAfterMidnight) {
  f.clock.now = {2026, 12, 31, 23, 59, 58};
  logs.Write(f.env, view, list);
  f.clock.Advance(3);  // 01-01-27 00:00:01
  modMain::AppendActivity(f.env, view, " Connection lost");
  logs.Write(f.env, view, list);

  EXPECT_EQ(File(P("/app/logs/31-12-26_monitor.log")), "Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started\r\n");
  EXPECT_EQ(File(P("/app/logs/01-01-27_monitor.log")),
            "Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started\r\n"
            "01-01-27 - 00:00:01 Connection lost\r\n")
      << "the new day's log starts with the whole view";
  EXPECT_EQ(File(P("/app/logs/traffic/31-12-26_traffic.log")), kHeader);
  EXPECT_EQ(File(P("/app/logs/traffic/01-01-27_traffic.log")), kHeader);
}

TEST_F(LogsFixture, AVanishedLogFolderIsMadeAgain) {
  f.env.app.folder = P("/vanish");
  f.fs.MakeFolders(P("/vanish/logs/traffic"));
  logs.Write(f.env, view, list);
  f.fs.folders.erase(P("/vanish/logs/traffic"));
  f.fs.folders.erase(P("/vanish/logs"));
  f.fs.files.clear();

  logs.Write(f.env, view, list);
  EXPECT_TRUE(f.fs.IsFolder(P("/vanish/logs")));
  EXPECT_TRUE(f.fs.IsFolder(P("/vanish/logs/traffic")));
  EXPECT_EQ(File(P("/vanish/logs/04-12-26_monitor.log")), "Tavrel 1.0.1\r\n04-12-26 - 13:58:05 Monitor started\r\n");
  EXPECT_EQ(File(P("/vanish/logs/traffic/04-12-26_traffic.log")), kHeader);
  EXPECT_EQ(view.Text().find("Cannot"), std::string::npos);

  f.fs.folders.erase(P("/vanish/logs/traffic"));  // only the traffic folder gone
  logs.Write(f.env, view, list);
  EXPECT_EQ(File(P("/vanish/logs/traffic/04-12-26_traffic.log")), std::string(kHeader) + kHeader);
}

TEST_F(LogsFixture, AnUnwritableLogIsNamedOncePerRunOfFailures) {
  f.env.app.folder = P("/readonly");  // a folder of its own: failures are remembered per file
  f.fs.MakeFolders(P("/readonly/logs/traffic"));
  f.fs.readOnly = true;
  for (int tick = 0; tick < 3; ++tick) logs.Write(f.env, view, list);
  const std::string once = view.Text();
  EXPECT_NE(once.find("\r\n04-12-26 - 13:58:05 Cannot write the log file " + P("/readonly/logs/04-12-26_monitor.log")),
            std::string::npos)
      << once;
  EXPECT_NE(once.find(" Cannot write the log file " + P("/readonly/logs/traffic/04-12-26_traffic.log") +
                      ": read-only file system"),
            std::string::npos);
  EXPECT_EQ(once.find("Cannot write", once.find("traffic.log")), std::string::npos)
      << "three failing ticks, one entry per log";

  f.fs.readOnly = false;
  logs.Write(f.env, view, list);
  EXPECT_EQ(view.Text(), once) << "success adds nothing";
  EXPECT_NE(File(P("/readonly/logs/04-12-26_monitor.log")).find("Cannot write the log file"), std::string::npos)
      << "the entries reach the log once it can be written";

  f.fs.readOnly = true;
  logs.Write(f.env, view, list);
  EXPECT_GT(view.Text().size(), once.size()) << "a new run of failures is named again";

  // What the logs remember belongs to their owner: a fresh one (another main window, the next
  // test) names a failure that an older one has named already.
  ActivityText otherView;
  modMain::Logs other;
  other.Write(f.env, otherView, list);
  EXPECT_NE(otherView.Text().find("Cannot write the log file " + P("/readonly/logs/04-12-26_monitor.log")),
            std::string::npos)
      << otherView.Text();
}

// The disk's free room decides whether a log is written: below 2 % of the file system, or
// below 512 MiB on a file system larger than 25.6 GiB, nothing is appended.
struct LowDisk : LogsFixture {
  LowDisk() {
    f.env.app.folder = P("/low");  // a folder of its own: the held-back logs are remembered per folder
    f.fs.MakeFolders(P("/low/logs/traffic"));
  }
  void Room(std::uint64_t available, std::uint64_t total) {
    for (const std::string& folder : {P("/low/logs"), P("/low/logs/traffic")})
      f.fs.space[folder] = DiskSpace{available, total};
  }
  int Count(const std::string& what) const {
    int n = 0;
    for (std::size_t at = view.Text().find(what); at != std::string::npos; at = view.Text().find(what, at + 1)) ++n;
    return n;
  }
  const std::string monitor = P("/low/logs/04-12-26_monitor.log");
  const std::string traffic = P("/low/logs/traffic/04-12-26_traffic.log");
};

TEST_F(LowDisk, LogsWaitForRoomAndTheViewSaysSoOnceEachWay) {
  constexpr std::uint64_t kTotal = 100 * 1024 * 1024;  // floor: 2 MiB
  Room(kTotal / 50 - 1, kTotal);
  for (int tick = 0; tick < 3; ++tick) logs.Write(f.env, view, list);
  EXPECT_EQ(File(monitor), "<missing>");
  EXPECT_EQ(File(traffic), "<missing>");
  EXPECT_EQ(Count(" Disk nearly full (2.0 MiB free in " + P("/low/logs") +
                  "): the monitor and traffic logs are not written while less than 2.0 MiB is free"),
            1)
      << view.Text();

  Room(kTotal / 50, kTotal);  // exactly the floor: room enough
  logs.Write(f.env, view, list);
  logs.Write(f.env, view, list);
  EXPECT_EQ(Count(" Disk space is back (2.0 MiB free in " + P("/low/logs") +
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

TEST_F(LowDisk, OnlyTheLogWhoseDiskIsLowWaits) {
  constexpr std::uint64_t kTotal = 100 * 1024 * 1024;
  f.fs.space[P("/low/logs")] = DiskSpace{kTotal / 2, kTotal};
  f.fs.space[P("/low/logs/traffic")] = DiskSpace{0, kTotal};  // another file system mounted there
  logs.Write(f.env, view, list);
  EXPECT_EQ(File(traffic), "<missing>");
  EXPECT_NE(File(monitor), "<missing>");
  EXPECT_EQ(Count(" Disk nearly full (0 bytes free in " + P("/low/logs/traffic") +
                  "): the traffic log is not written while less than 2.0 MiB is free"),
            1)
      << view.Text();
  f.fs.space[P("/low/logs/traffic")] = DiskSpace{kTotal / 2, kTotal};
  logs.Write(f.env, view, list);
  EXPECT_EQ(Count("the traffic log is written again"), 1) << view.Text();
}

TEST_F(LogsFixture, EachLogIsOpenedOncePerWrite) {
  list.Add({"10.0.0.2", "49152", "93.184.216.34", "80", "5", "Established"});
  logs.Write(f.env, view, list);
  EXPECT_EQ(f.log.events, (std::vector<std::string>{"AppendFile " + P("/app/logs/04-12-26_monitor.log"),
                                                    "AppendFile " + P("/app/logs/traffic/04-12-26_traffic.log")}));
}

}  // namespace
}  // namespace tavrel
