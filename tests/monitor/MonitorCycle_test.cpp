#include "monitor/MonitorCycle.h"

#include <gtest/gtest.h>

#include "core/IDesktop.h"
#include "fakes/FakeEnv.h"
#include "monitor/modConnection.h"
#include "monitor/modRAS.h"

namespace tavrel {
namespace {

using fakes::P;
using Strings = std::vector<std::string>;
constexpr WindowHandle kMain = 42;
const std::string kAccount = "[Settings]\r\nConID=Home ISP\r\nUName=jo\r\nPWord=pa55\r\n";
// The lines of a lost tick: the three it always starts with, then the given ones.
Strings LostLines(const Strings& more = {}) {
  Strings lines{" Connection lost", " Attempting Reconnection to: Home ISP", " Querying Authorisation for: jo"};
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}
std::string NoLimit(const std::string& retry, const std::string& count) {
  return " Retry " + retry + " cannot be reached from " + count +
         " failed attempts: re-connecting without a limit (up to 32767 attempts)";
}

// The cycle against fakes, with the settings file on the fake file system.
class Cycle : public ::testing::Test {
 protected:
  Cycle() {
    fe.fs.files[fe.IniPath()] = kAccount + "AutoRecon=1\r\nRetry=5\r\n";
    Lost();
  }
  void Set(const std::string& key, const std::string& value) { fe.Save("Settings", key, value); }
  void Lost() { fe.connection.result = 0, fe.connection.flags = 0; }
  void Online() { fe.connection.result = 1, fe.connection.flags = INTERNET_CONNECTION_LAN; }
  void Offline() { fe.connection.result = 1, fe.connection.flags = INTERNET_CONNECTION_OFFLINE; }
  void DialBringsConnectionUp() {
    fe.phonebook.onDial = [this](const RasDialParams&) { Online(); };
  }
  void Tick() { RunMonitorCycle(fe.env, parts); }
  // A fresh tick whose activity lines are returned without their stamps.
  Strings TickLines() {
    activity.Replace("");
    Tick();
    Strings out;
    const std::string& t = activity.Text();
    for (auto pos = t.find("\r\n"); pos != std::string::npos; pos = t.find("\r\n", pos)) {
      pos += 2;
      out.push_back(t.substr(pos + 19, t.find("\r\n", pos) - pos - 19));
    }
    return out;
  }
  // The events contain these in this order (others may come between).
  bool InOrder(const Strings& wanted, int from = 0) const {
    for (const auto& w : wanted)
      if ((from = fe.log.Find(w, from) + 1) == 0) return false;
    return true;
  }
  // The tail: timer off, the window let go, both logs written between two event runs, the
  // window back on top, the timer on again.
  bool TailRan(int from = 0) const {
    return InOrder({"Timer off", "ClearTopMost 42", "DoEvents", P("AppendFile /app/logs/04-12-26_monitor.log"),
                    P("AppendFile /app/logs/traffic/04-12-26_traffic.log"), "DoEvents", "SetTopMost 42"},
                   from) &&
           fe.log.events.back() == "Timer on";
  }

  fakes::FakeEnv fe;
  fakes::FakeTimer timer{fe.log};
  ActivityText activity;
  ConnectionList list;
  std::int16_t failures = 0;
  modMain::Logs logs;
  bool inTick = false;
  MonitorParts parts{activity, list, timer, kMain, failures, logs, inTick};
};

TEST_F(Cycle, LostTickReportsDialsReprobesAndCountsAFailure) {
  EXPECT_EQ(TickLines(), LostLines({" Error connecting to: Home ISP"}));
  EXPECT_EQ(failures, 1);
  const RasDialParams& d = fe.phonebook.dials.at(0);
  EXPECT_EQ(modRAS::BytesToText(d.szEntryName) + "/" + modRAS::BytesToText(d.szUserName) + "/" +
                modRAS::BytesToText(d.szPassword),
            "Home ISP/jo/pa55");
  const int dial = fe.log.Find("RasDial");
  EXPECT_EQ(fe.log.Find("InternetGetConnectedState", dial), dial + 1);
  EXPECT_TRUE(TailRan(dial));

  fe.phonebook.onDial = [this](const RasDialParams&) { Offline(); };  // ending offline fails
  EXPECT_EQ(TickLines().back(), " Error connecting to: Home ISP");
  EXPECT_EQ(failures, 2);
  Lost();
  DialBringsConnectionUp();
  EXPECT_EQ(TickLines().back(), " Re-connection successful ");
  EXPECT_EQ(failures, 2) << "a success neither counts nor resets";
}

TEST_F(Cycle, NoAccountOnlineRefreshesQuietlyNotConnectedStopsWithOneBox) {
  Set("ConID", "");
  Online();
  Tick();
  EXPECT_TRUE(activity.Text().empty());
  EXPECT_TRUE(fe.desktop.boxes.empty());
  EXPECT_TRUE(TailRan(fe.log.Find("GetTcpTable")));
  for (const bool offline : {false, true}) {
    SCOPED_TRACE(offline ? "offline" : "lost");
    fe.log.Clear();
    fe.desktop.boxes.clear();
    fe.Save("Temp", "1", "");
    offline ? Offline() : Lost();
    Tick();
    EXPECT_EQ(fe.desktop.Boxes(),
              "Tavrel has been disabled as no account has been specified.\r\n\r\n"
              "Please specify an account in the settings and re-start Tavrel|64|Tavrel Monitor Disabled\n");
    EXPECT_EQ(Strings(fe.log.events.begin() + fe.log.Find("ClearTopMost 42"), fe.log.events.end()),
              (Strings{"ClearTopMost 42", "Timer off", "MsgBox", "ReplaceFile " + fe.IniPath(), "SetTopMost 42"}));
    EXPECT_TRUE(activity.Text().empty());
    EXPECT_EQ(fe.Get("Temp", "1"), "GD");
    EXPECT_TRUE(fe.phonebook.dials.empty());
  }
}

// Asking: No is a row of the settings table below.
TEST_F(Cycle, AskingYesWritesSuccessWhateverTheDialDid) {
  Set("AutoRecon", "0");
  fe.desktop.answers = {mb::kYes, mb::kYes};
  fe.phonebook.dialResult = 691;
  EXPECT_EQ(TickLines(), LostLines({" Re-connection successful "}));
  EXPECT_EQ(fe.desktop.Boxes(), "The connection has been lost. Would you like to re-connect?|36|Tavrel\n");
  EXPECT_TRUE(InOrder({"ClearTopMost 42", "Timer off", "MsgBox", "RasDial", "Timer on", "SetTopMost 42"}));
  EXPECT_TRUE(TailRan(fe.log.Find("RasDial")));
  Tick();  // still lost: asked again
  EXPECT_EQ(fe.desktop.boxes.size(), 2u);
  EXPECT_EQ(fe.phonebook.dials.size(), 2u);
  EXPECT_EQ(failures, 0);
}

TEST_F(Cycle, ADialPastItsBoundIsNamedAndJudgedByTheStateLikeAnyOther) {
  fe.phonebook.dialResult = kRasErrorTimeout;
  const std::string abandoned = " Dialling Home ISP was abandoned: no answer within the time limit";
  EXPECT_EQ(TickLines(), LostLines({abandoned, " Error connecting to: Home ISP"}));
  EXPECT_EQ(failures, 1);
}

TEST_F(Cycle, OfflineIsNotedOnEveryTick) {
  Offline();
  Tick();
  EXPECT_EQ(TickLines(), Strings{" Connection offline"});
  EXPECT_TRUE(fe.phonebook.dials.empty());
  EXPECT_FALSE(fe.log.Has("GetTcpTable"));
  EXPECT_TRUE(TailRan());
}

TEST_F(Cycle, TicksNeverNest) {
  int inner = 0;
  fe.desktop.onDoEvents = [&] { ++inner, Tick(); };  // a tick arriving while events run
  fe.phonebook.onDial = [&](const RasDialParams&) { Tick(); };
  EXPECT_EQ(TickLines().size(), 4u);
  EXPECT_EQ(inner, 2);
  EXPECT_EQ(fe.phonebook.dials.size(), 1u);
  EXPECT_EQ(fe.connection.queries, 2);  // the tick's probe and the one after the dial
  fe.desktop.onDoEvents = nullptr;
  fe.phonebook.onDial = nullptr;
  Tick();  // the guard is released afterwards
  EXPECT_EQ(fe.phonebook.dials.size(), 2u);
}

// One lost tick, by the AutoRecon and Retry settings and the failures counted before it; a
// question is answered No.
TEST_F(Cycle, SettingsAndTheCountDecideBetweenRedialAskingAndGivingUp) {
  const std::string error = " Error connecting to: Home ISP",
                    fell = "\" is not a whole number from -32768 to 32767; using 5";
  const auto gaveUp = [](const std::string& n) {
    return Strings{" " + n + " Unsuccessful re-connection attempts ", " Monitor Disabled"};
  };
  const auto plus = [](Strings a, const Strings& b) { return a.insert(a.end(), b.begin(), b.end()), a; };
  const auto notNumber = [](const std::string& text) {
    return Strings{" AutoRecon setting \"" + text + "\" is not a number; asking before re-connecting"};
  };
  const struct {
    const char *autoRecon, *retry;  // nullptr: neither in the file, as on a first run
    std::int16_t before;
    Strings lines;
    std::int16_t after;
    bool asked = false;
  } cases[] = {
      {"1", "5", 4, {error}, 5},
      {"1", "5", 5, gaveUp("5"), 5},
      {"1", "0", 0, gaveUp("0"), 0},
      {nullptr, nullptr, 4, {error}, 5},
      {"1", "many", 4, {" Retry setting \"many" + fell, error}, 5},
      {"1", "40000", 5, plus({" Retry setting \"40000" + fell}, gaveUp("5")), 5},
      {"1", "", 5, plus({" Retry setting \"" + fell}, gaveUp("5")), 5},
      {"1", "2.5", 2, gaveUp("2"), 2},  // a 16-bit whole number: halves round to even
      {"1", "-1", 0, {NoLimit("-1", "0"), error}, 1},
      {"1", "2", 3, {NoLimit("2", "3"), error}, 4},  // lowered below the count at run time
      {"1", "-5", 32766, {NoLimit("-5", "32766"), error}, 32767},
      {"1", "-5", 32767, gaveUp("32767"), 32767},  // the count never wraps: at its top the monitor gives up
      {" 01.0", "5", 0, {error}, 1},               // AutoRecon is compared as a number
      {"0", "5", 0, {}, 0, true},
      {"2", "5", 0, {}, 0, true},
      {"", "5", 0, notNumber(""), 0, true},
      {"1x", "5", 0, notNumber("1x"), 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.autoRecon ? c.autoRecon : "(missing)") + "/" + (c.retry ? c.retry : "(missing)") +
                 " after " + std::to_string(c.before));
    if (c.retry) {
      Set("AutoRecon", c.autoRecon);
      Set("Retry", c.retry);
    } else {
      fe.fs.files[fe.IniPath()] = kAccount;
    }
    failures = c.before;
    timer.SetEnabled(true);
    fe.log.Clear();
    fe.desktop.boxes.clear();
    fe.desktop.answers = {mb::kNo};
    EXPECT_EQ(TickLines(), LostLines(c.lines));
    EXPECT_EQ(failures, c.after);
    const bool dialled = !c.asked && c.lines.back() != " Monitor Disabled";
    EXPECT_EQ(timer.Enabled(), dialled);
    EXPECT_EQ(fe.log.Has("DoEvents"), dialled) << "the tail, and the logs, only after a redial";
    EXPECT_EQ(fe.log.Has("RasDial"), dialled);
    EXPECT_EQ(fe.desktop.boxes.size(), c.asked ? 1u : 0u);
  }
}

}  // namespace
}  // namespace tavrel
