#include "monitor/MonitorCycle.h"

#include <gtest/gtest.h>

#include "core/IDesktop.h"
#include "fakes/FakeEnv.h"
#include "monitor/modConnection.h"
#include "monitor/modRAS.h"

namespace tavrel {
namespace {

using Strings = std::vector<std::string>;
constexpr WindowHandle kMain = 42;
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

// The cycle against fakes; settings live in memory, independent of the INI format.
class Cycle : public ::testing::Test {
 protected:
  Cycle() {
    for (auto [k, v] : {std::pair{"ConID", "Home ISP"}, {"UName", "jo"}, {"PWord", "pa55"},
                        {"AutoRecon", "1"}, {"Retry", "5"}})
      Set(k, v);
    Lost();
  }
  void Set(const std::string& key, const std::string& value) { profile.values[{"Settings", key}] = value; }
  void Lost() { fe.connection.result = 0, fe.connection.flags = 0; }
  void Online() { fe.connection.result = 1, fe.connection.flags = INTERNET_CONNECTION_LAN; }
  void Offline() { fe.connection.result = 1, fe.connection.flags = INTERNET_CONNECTION_OFFLINE; }
  void DialBringsConnectionUp() { fe.phonebook.onDial = [this](const RasDialParams&) { Online(); }; }
  void Tick() { RunMonitorCycle(env, parts); }
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
  bool TailRan(int from = 0) const {
    return InOrder({"Timer off", "ClearTopMost 42", "DoEvents", "DoEvents", "SetTopMost 42"}, from) &&
           fe.log.events.back() == "Timer on";
  }
  Strings EventsFrom(const std::string& e) const {
    return {fe.log.events.begin() + fe.log.Find(e), fe.log.events.end()};
  }
  std::string OnlyBox() const {  // text|code|caption of the one box shown
    if (fe.desktop.boxes.size() != 1) return std::to_string(fe.desktop.boxes.size()) + " boxes";
    const auto& b = fe.desktop.boxes[0];
    return b.text + "|" + std::to_string(b.code) + "|" + b.caption;
  }

  fakes::FakeEnv fe;
  fakes::MemoryProfile profile;
  Env env{fe.env.app, fe.desktop, fe.clock,     fe.fs,      profile, fe.registry, fe.connection,
          fe.phonebook, fe.tcp,   fe.addresses, fe.sockets, fe.downloader, fe.wm, fe.style};
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
                modRAS::BytesToText(d.szPassword), "Home ISP/jo/pa55");
  const int dial = fe.log.Find("RasDial");
  EXPECT_EQ(fe.log.Find("InternetGetConnectedState", dial), dial + 1);
  EXPECT_TRUE(TailRan(dial));
  EXPECT_TRUE(fe.desktop.boxes.empty());
  EXPECT_EQ(profile.reads, 5);  // AutoRecon, Retry, ConID, UName, PWord on every tick

  Set("ConID", "Other");  // changed between ticks: the next tick uses it
  EXPECT_EQ(TickLines().at(1), " Attempting Reconnection to: Other");
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials.at(1).szEntryName), "Other");

  fe.phonebook.onDial = [this](const RasDialParams&) { Offline(); };  // ending offline fails
  EXPECT_EQ(TickLines().back(), " Error connecting to: Other");
  EXPECT_EQ(failures, 3);
  Lost();
  DialBringsConnectionUp();
  EXPECT_EQ(TickLines().back(), " Re-connection successful ");
  EXPECT_EQ(failures, 3) << "a success neither counts nor resets";
}

TEST_F(Cycle, RetryZeroGivesUpAtOnceWithAFreshStampOnTheSecondLine) {
  Set("Retry", "0");
  fe.clock.autoAdvance = 1;  // every reading of the clock is a second later
  EXPECT_EQ(TickLines(), LostLines({" 0 Unsuccessful re-connection attempts ", " Monitor Disabled"}));
  EXPECT_TRUE(fe.phonebook.dials.empty());
  EXPECT_EQ(fe.log.events.back(), "Timer off");
  EXPECT_FALSE(fe.log.Has("DoEvents"));  // no tail, no log write
  const std::string& t = activity.Text();
  const std::size_t first = t.rfind("\r\n", t.rfind("\r\n") - 1) + 2, second = t.rfind("\r\n") + 2;
  EXPECT_EQ(t.substr(second + 8, 3), " - ");
  EXPECT_NE(t.substr(first, 19), t.substr(second, 19));
}

TEST_F(Cycle, FiveFailedRedialsThenTheSixthLostTickGivesUpAndTheCountSurvivesASuccess) {
  for (int i = 1; i <= 3; ++i) Tick();
  DialBringsConnectionUp();
  Tick();
  Tick();  // online: nothing to report
  EXPECT_EQ(failures, 3);
  fe.phonebook.onDial = nullptr;
  Lost();
  for (int i = 4; i <= 5; ++i) {
    EXPECT_EQ(TickLines().back(), " Error connecting to: Home ISP");
    EXPECT_EQ(failures, i);
    EXPECT_TRUE(timer.Enabled());
  }
  EXPECT_EQ(TickLines(), LostLines({" 5 Unsuccessful re-connection attempts ", " Monitor Disabled"}));
  EXPECT_EQ(fe.phonebook.dials.size(), 6u);
  EXPECT_FALSE(timer.Enabled());
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
    profile.values.erase({"Temp", "1"});
    offline ? Offline() : Lost();
    Tick();
    EXPECT_EQ(OnlyBox(), "Tavrel has been disabled as no account has been specified.\r\n\r\n"
                         "Please specify an account in the settings and re-start Tavrel|" +
                             std::to_string(mb::kInformation) + "|Tavrel Monitor Disabled");
    EXPECT_EQ(EventsFrom("ClearTopMost 42"),
              (Strings{"ClearTopMost 42", "Timer off", "MsgBox", "SetTopMost 42"}));
    EXPECT_TRUE(activity.Text().empty());
    EXPECT_EQ((profile.values[{"Temp", "1"}]), "GD");
    EXPECT_TRUE(fe.phonebook.dials.empty());
  }
}

TEST_F(Cycle, AskingNoStopsYesWritesSuccessWhateverTheDialDid) {
  Set("AutoRecon", "0");
  fe.desktop.answers = {mb::kNo, mb::kYes, mb::kYes};
  EXPECT_EQ(TickLines(), LostLines());
  EXPECT_EQ(OnlyBox(), "The connection has been lost. Would you like to re-connect?|" +
                           std::to_string(mb::kYesNoQuestion) + "|Tavrel");
  EXPECT_EQ(EventsFrom("ClearTopMost 42"), (Strings{"ClearTopMost 42", "Timer off", "MsgBox"}));
  EXPECT_TRUE(fe.phonebook.dials.empty());

  fe.log.Clear();
  fe.phonebook.dialResult = 691;
  EXPECT_EQ(TickLines(), LostLines({" Re-connection successful "}));
  EXPECT_TRUE(InOrder({"ClearTopMost 42", "Timer off", "MsgBox", "RasDial", "Timer on", "SetTopMost 42"}));
  EXPECT_TRUE(TailRan(fe.log.Find("RasDial")));
  Tick();  // still lost: asked again
  EXPECT_EQ(fe.desktop.boxes.size(), 3u);
  EXPECT_EQ(fe.phonebook.dials.size(), 2u);
  EXPECT_EQ(failures, 0);
}

TEST_F(Cycle, AutoReconIsComparedAsANumber) {
  const struct {
    const char* text;
    bool automatic, explained;
  } cases[] = {{"1", true, false},  {"01", true, false}, {" 1.0", true, false},
               {"2", false, false}, {"0", false, false}, {"-1", false, false},
               {"yes", false, true}, {"", false, true},  {"1x", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Set("AutoRecon", c.text);
    fe.desktop.boxes.clear();
    fe.phonebook.dials.clear();
    fe.desktop.answers = {mb::kNo};
    const Strings lines = TickLines();
    EXPECT_EQ(fe.desktop.boxes.empty(), c.automatic);
    EXPECT_EQ(fe.phonebook.dials.size(), c.automatic ? 1u : 0u);
    EXPECT_EQ(lines.size() == 4 && lines[3] == std::string(" AutoRecon setting \"") + c.text +
                                                   "\" is not a number; asking before re-connecting",
              c.explained);
  }
}

TEST_F(Cycle, OfflineIsNotedOnEveryTickOnlineAddsNothing) {
  Offline();
  Tick();
  EXPECT_EQ(TickLines(), Strings{" Connection offline"});
  EXPECT_TRUE(fe.phonebook.dials.empty());
  EXPECT_FALSE(fe.log.Has("GetTcpTable"));
  EXPECT_TRUE(TailRan());
  Online();
  EXPECT_TRUE(TickLines().empty());
  EXPECT_EQ(fe.connection.queries, 3);
  EXPECT_TRUE(TailRan(fe.log.Find("GetTcpTable")));
}

TEST_F(Cycle, TheNextTickIsTimedFromTheEndOfALongCycle) {
  // However long the dial takes, the timer is restarted (off, then on) only after it, so the
  // next 3 s run from the end of the cycle.
  Tick();
  const int off = fe.log.Find("Timer off", fe.log.Find("RasDial"));
  ASSERT_GT(off, 0);
  EXPECT_EQ(fe.log.Find("Timer on"), fe.log.Find("Timer on", off));  // never on before the end
  EXPECT_EQ(fe.log.events.back(), "Timer on");
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

TEST_F(Cycle, UnreadableRetryFallsBackToFiveAndSaysSo) {
  for (const char* text : {"many", "40000", "-40000", ""}) {
    SCOPED_TRACE(text);
    Set("Retry", text);
    failures = 4;
    timer.SetEnabled(true);
    EXPECT_EQ(TickLines(), LostLines({std::string(" Retry setting \"") + text +
                                     "\" is not a whole number from -32768 to 32767; using 5",
                                 " Error connecting to: Home ISP"}));
    EXPECT_EQ(TickLines().at(4), " 5 Unsuccessful re-connection attempts ");
    EXPECT_FALSE(timer.Enabled());
  }
  Set("Retry", "2.5");  // a 16-bit whole number: halves round to even
  failures = 2;
  EXPECT_EQ(TickLines().at(3), " 2 Unsuccessful re-connection attempts ");
}

TEST_F(Cycle, UnreachableRetryRedialsWithAReasonUntilTheCountIsFull) {
  Set("Retry", "-1");
  EXPECT_EQ(TickLines().at(3), NoLimit("-1", "0"));
  EXPECT_EQ(failures, 1);
  Set("Retry", "2");  // lowered below the count at run time
  failures = 3;
  EXPECT_EQ(TickLines().at(3), NoLimit("2", "3"));
  EXPECT_EQ(failures, 4);
  Set("Retry", "-5");  // the count never wraps: at its top the monitor gives up
  failures = 32766;
  Tick();
  EXPECT_EQ(failures, 32767);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(TickLines().at(3), " 32767 Unsuccessful re-connection attempts ");
  EXPECT_EQ(failures, 32767);
  EXPECT_FALSE(timer.Enabled());
}

TEST(IsOfflineState, OnlyTheTwoExactTexts) {
  EXPECT_TRUE(IsOfflineState("Not connected to the internet."));
  EXPECT_TRUE(IsOfflineState("The connection is currently offline. "));
  for (const char* t : {"The connection is currently offline.", "not connected to the internet.", "",
                        "Remote Access Services are installed on this system."})
    EXPECT_FALSE(IsOfflineState(t)) << t;
}

}  // namespace
}  // namespace tavrel
