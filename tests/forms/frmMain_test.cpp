#include "forms/frmMain.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"
#include "forms/FakeMainView.h"

namespace tavrel {
namespace {

using fakes::kExeSuffix;
using fakes::P;

using fakes::EventLog;

class MainWindowTest : public ::testing::Test {
 protected:
  fakes::FakeEnv f;
  fakes::FakeMainView view{f.log};
  fakes::FakeTimer timer{f.log};
  frmMain form{f.env, view, timer};

  // Events in order, each found after the previous one.
  void ExpectInOrder(const std::vector<std::string>& steps) {
    int at = 0;
    for (const auto& s : steps) {
      const int i = f.log.Find(s, at);
      ASSERT_GE(i, 0) << "missing or out of order: " << s;
      at = i + 1;
    }
  }
};

TEST_F(MainWindowTest, LoadRunsItsStepsInOrderAndResetsTheFailureCount) {
  f.Save("Settings", "valA", "7");  // stored by an earlier run
  form.ReconnectFailures = 3;
  f.tcp.rows = {MibTcpRow{5, 0x0100007f, 0x5000, 0x0100007f, 0x1234}};
  f.addresses.rows = {MibIpAddrRow{0x0100007f, 1, 0x000000ff, 1, 0, 0, 0}};
  form.Form_Load();
  ExpectInOrder({"DoEvents", "GetTcpTable", "GetIpAddrTable", P("CreateFolder /app/logs"),
                 P("CreateFolder /app/logs/traffic"), "DoEvents", P("AppendFile /app/logs/04-12-26_monitor.log"),
                 P("AppendFile /app/logs/traffic/04-12-26_traffic.log"), "SetTopMost 7",
                 P("ReplaceFile /app/Tavrel.ini")});
  EXPECT_NE(
      form.txtConnection.Text().find("Detecting additional IP's\r\n04-12-26 - 13:58:05 1   IP addresses found\r\n"),
      std::string::npos)
      << "the address report is an entry of its own, after the start-up report";
  EXPECT_FALSE(view.listVisible);
  EXPECT_TRUE(view.activityVisible);
  EXPECT_EQ(f.Get("Settings", "valA", "x"), "0");
  EXPECT_EQ(form.ReconnectFailures, 0);
  EXPECT_FALSE(f.log.Has("Timer off")) << "load leaves the timer alone";
}

TEST_F(MainWindowTest, LoadTakesTheCaptionAwayButKeepsATaskbarButton) {
  auto& win = f.style.AddWindow(7);
  form.Form_Load();
  EXPECT_EQ(win.style & kWsCaption, 0);
  EXPECT_NE(win.exStyle & kWsExAppWindow, 0);
}

TEST_F(MainWindowTest, LogFoldersAreCreatedOnlyWhenMissing) {
  f.fs.MakeFolders(P("/app/logs/traffic"));
  form.Form_Load();
  EXPECT_FALSE(f.log.Has(P("CreateFolder /app/logs")));
  EXPECT_FALSE(f.log.Has(P("CreateFolder /app/logs/traffic")));
}

TEST_F(MainWindowTest, AFileNamedLogsIsReportedAndStartUpGoesOn) {
  f.fs.files[P("/app/logs")] = "not a folder";
  form.Form_Load();
  const std::string& text = form.txtConnection.Text();
  EXPECT_NE(text.find(" Cannot create the log folder " + P("/app/logs") + " (a file of that name is in the way)"),
            std::string::npos)
      << text;
  EXPECT_EQ(f.fs.files[P("/app/logs")], "not a folder") << "the user's file is kept";
  EXPECT_TRUE(f.log.Has("SetTopMost 7"));
  EXPECT_EQ(f.Get("Settings", "valA", "x"), "0");
}

// A settings file that cannot be written is named in the activity view once per run of failed
// writes: at load, not again at every tick, and again after writes worked for a while.
TEST_F(MainWindowTest, AFailingSettingsFileIsReportedOncePerRunOfFailures) {
  const std::string line = " Cannot write the settings file " + P(P("/app/Tavrel.ini")) + ": a folder";
  const auto count = [&] {
    int n = 0;
    for (std::size_t at = 0; (at = form.txtConnection.Text().find(line, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  f.fs.folders.insert(P("/app/Tavrel.ini"));  // a folder in the way: no write can succeed
  form.Form_Load();
  EXPECT_EQ(count(), 1) << form.txtConnection.Text();
  EXPECT_LT(form.txtConnection.Text().find(line), f.fs.files.at(P("/app/logs/04-12-26_monitor.log")).size())
      << "reported before the first log write";
  form.tmrConnect_Timer();
  f.Save("Temp", "1", "GD");  // still failing
  form.tmrConnect_Timer();
  EXPECT_EQ(count(), 1);
  f.fs.folders.erase(P("/app/Tavrel.ini"));
  f.Save("Temp", "1", "GD");
  form.tmrConnect_Timer();
  f.fs.files.erase(P("/app/Tavrel.ini"));
  f.fs.folders.insert(P("/app/Tavrel.ini"));
  f.Save("Temp", "1", "GD");
  form.tmrConnect_Timer();
  EXPECT_EQ(count(), 2);
}

TEST_F(MainWindowTest, EndOfSessionRegistersOneMoreStartThenUnloads) {
  form.Form_QueryUnload(unload::kAppWindows);
  ExpectInOrder({"Timer off", "ClearTopMost 7", "SetRegistryValue " + std::string(kRunOnceKey),
                 P("ReplaceFile /app/Tavrel.ini"), "UnloadOtherWindows", "EndProcess"});
  EXPECT_EQ((f.registry.values[{HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel"}]), P("/app/tavrel") + kExeSuffix);
  EXPECT_EQ(f.Get("Temp", "1", "x"), "");

  // Where the platform knows the executable's own path, the entry runs that, not the program
  // folder (which is elsewhere for an installed copy).
  f.env.app.exePath = "/opt/tavrel/bin/tavrel";
  form.Form_QueryUnload(unload::kAppWindows);
  EXPECT_EQ((f.registry.values[{HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel"}]), "/opt/tavrel/bin/tavrel");
}

// The window's own close button, for one: no start entry, and never cancelled.
TEST_F(MainWindowTest, OtherCloseReasonsDoNotRegisterAndAreNeverCancelled) {
  f.Save("Temp", "1", "GD");
  form.Form_QueryUnload(unload::kControlMenu);
  EXPECT_TRUE(f.registry.values.empty());
  EXPECT_TRUE(f.log.Has("EndProcess"));
  EXPECT_EQ(f.Get("Temp", "1", "x"), "") << "marker emptied at every normal exit";
}

TEST_F(MainWindowTest, ToggleSwapsTheViewsAndTwiceReturnsToTheActivityView) {
  form.Form_Load();
  form.imgToggle_Click();
  EXPECT_TRUE(view.listVisible);
  EXPECT_FALSE(view.activityVisible);
  form.imgToggle_Click();
  EXPECT_FALSE(view.listVisible);
  EXPECT_TRUE(view.activityVisible);
}

TEST_F(MainWindowTest, ResizeGivesTheViewsTheInnerSizeLessTheBannerUnlessMinimised) {
  view.innerWidth = 9000;
  view.innerHeight = 5000;
  form.Form_Resize();
  EXPECT_EQ(view.viewsWidth, 9000);
  EXPECT_EQ(view.viewsHeight, 5000 - 880);
}

TEST_F(MainWindowTest, SettingsAndMenuButtonsStopTheMonitorBeforeTheWindowShows) {
  form.imgSettings_Click();
  ExpectInOrder({"Timer off", "ClearTopMost 7", "ShowSettings"});
  f.log.Clear();
  form.imgInfo_Click();
  ExpectInOrder({"Timer off", "ClearTopMost 7", "ShowMenu"});
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(MainWindowTest, TheMenuOpensAtTheSamePlaceWhereverTheWindowWasDragged) {
  view.bounds = {9000, 7000, 6270, 3675};
  view.menuOffset = 300;  // a caption bar above the inner area, were there one
  form.imgInfo_Click();
  EXPECT_EQ(view.menuLeft, 6060);
  EXPECT_EQ(view.menuTop, 3300);
}

TEST_F(MainWindowTest, MinimiseLeavesTheBandFirstAndExitClosesThroughTheCloseRequest) {
  form.imgMinimize_Click();
  ExpectInOrder({"ClearTopMost 7", "Minimize"});
  form.Form_GotFocus();
  EXPECT_TRUE(f.wm.IsTopMost(7)) << "back in the band with the focus";
  form.imgExit_Click();
  EXPECT_TRUE(f.log.Has("RequestClose 1"));
  EXPECT_TRUE(f.registry.values.empty());
}

TEST_F(MainWindowTest, PressesOnEitherViewCloseTheMenuAndHeaderClicksSort) {
  form.txtConnection_MouseDown(1, 0, 10, 10);
  form.ListView1_MouseDown(2, 0, 10, 10);
  EXPECT_EQ(f.log.Count("UnloadMenu"), 2);
  form.ListView1_ColumnClick(3);
  EXPECT_TRUE(form.ListView1.Sorted());
  EXPECT_EQ(form.ListView1.SortKey(), 2u);
}

}  // namespace
}  // namespace tavrel
