#include "monitor/MonitorCycle.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/IDesktop.h"
#include "fakes/FakeEnv.h"
#include "monitor/modConnection.h"
#include "monitor/modRAS.h"

namespace tavrel {
namespace {

constexpr WindowHandle kMain = 42;

// The cycle against fakes; settings live in memory so that the tests do not depend on the
// INI file format.
class Cycle : public ::testing::Test {
 protected:
  Cycle() {
    Set("ConID", "Home ISP");
    Set("UName", "jo");
    Set("PWord", "pa55");
    Set("AutoRecon", "1");
    Set("Retry", "5");
    Lost();
  }
  void Set(const std::string& key, const std::string& value) {
    profile.values[{"Settings", key}] = value;
  }
  void Lost() { fe.connection.result = 0, fe.connection.flags = 0; }
  void Online() { fe.connection.result = 1, fe.connection.flags = INTERNET_CONNECTION_LAN; }
  void Offline() { fe.connection.result = 1, fe.connection.flags = INTERNET_CONNECTION_OFFLINE; }
  void DialBringsConnectionUp() { fe.phonebook.onDial = [this](const RasDialParams&) { Online(); }; }
  void Tick() { RunMonitorCycle(env, parts); }

  // The activity lines without their stamps (the give-up entry gives two lines).
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    const std::string& t = activity.Text();
    std::size_t pos = 0;
    while ((pos = t.find("\r\n", pos)) != std::string::npos) {
      pos += 2;
      const std::size_t end = t.find("\r\n", pos);
      const std::string line = t.substr(pos, end == std::string::npos ? end : end - pos);
      out.push_back(line.size() >= 19 ? line.substr(19) : "<no stamp>" + line);
    }
    return out;
  }
  std::vector<std::string> LostEntries() const {
    return {" Connection lost", " Attempting Reconnection to: Home ISP",
            " Querying Authorisation for: jo"};
  }
  // Events from index from onwards.
  std::vector<std::string> EventsFrom(int from) const {
    return {fe.log.events.begin() + from, fe.log.events.end()};
  }
  // True when the events contain these, in this order (others may come between).
  bool InOrder(const std::vector<std::string>& wanted, int from = 0) const {
    int at = from;
    for (const auto& w : wanted) {
      at = fe.log.Find(w, at);
      if (at < 0) return false;
      ++at;
    }
    return true;
  }
  bool TailRan(int from = 0) const {
    return InOrder({"Timer off", "ClearTopMost 42", "DoEvents", "DoEvents", "SetTopMost 42",
                    "Timer on"},
                   from) &&
           fe.log.events.back() == "Timer on";
  }

  fakes::FakeEnv fe;
  fakes::MemoryProfile profile;
  Env env{fe.env.app, fe.desktop, fe.clock,     fe.fs,      profile, fe.registry, fe.connection,
          fe.phonebook, fe.tcp,   fe.addresses, fe.sockets, fe.downloader, fe.wm, fe.style};
  fakes::FakeTimer timer{fe.log};
  ActivityText activity;
  ConnectionList list;
  std::int16_t failures = 0;
  MonitorParts parts{activity, list, timer, kMain, failures};
};

TEST_F(Cycle, FirstLostTickReportsDialsAndCountsAFailure) {
  Tick();
  auto want = LostEntries();
  want.push_back(" Error connecting to: Home ISP");
  EXPECT_EQ(Lines(), want);
  EXPECT_EQ(failures, 1);
  ASSERT_EQ(fe.phonebook.dials.size(), 1u);
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials[0].szEntryName), "Home ISP");
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials[0].szUserName), "jo");
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials[0].szPassword), "pa55");
  // The state is taken again after the dial, then the tail runs.
  const int dial = fe.log.Find("RasDial");
  EXPECT_EQ(fe.log.Find("InternetGetConnectedState", dial), dial + 1);
  EXPECT_TRUE(TailRan(dial));
  EXPECT_TRUE(timer.Enabled());
  EXPECT_TRUE(fe.desktop.boxes.empty());
}

TEST_F(Cycle, SuccessfulRedialIsReportedAndNotCounted) {
  DialBringsConnectionUp();
  Tick();
  EXPECT_EQ(Lines().back(), " Re-connection successful ");
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(TailRan());
}

TEST_F(Cycle, RedialEndingOfflineCountsAsFailure) {
  fe.phonebook.onDial = [this](const RasDialParams&) { Offline(); };
  Tick();
  EXPECT_EQ(Lines().back(), " Error connecting to: Home ISP");
  EXPECT_EQ(failures, 1);
}

TEST_F(Cycle, RetryZeroGivesUpAtOnceWithoutDialling) {
  Set("Retry", "0");
  fe.clock.autoAdvance = 1;  // every reading of the clock is a second later
  Tick();
  auto want = LostEntries();
  want.push_back(" 0 Unsuccessful re-connection attempts ");
  want.push_back(" Monitor Disabled");
  EXPECT_EQ(Lines(), want);
  EXPECT_TRUE(fe.phonebook.dials.empty());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(fe.log.events.back(), "Timer off");
  EXPECT_FALSE(fe.log.Has("DoEvents"));  // no tail, no log write
  // The second line carries a stamp of its own: "dd-mm-yy - hh:mm:ss Monitor Disabled".
  const std::string& t = activity.Text();
  const std::size_t second = t.rfind("\r\n") + 2;
  EXPECT_EQ(t.substr(second + 19), " Monitor Disabled");
  EXPECT_EQ(t.substr(second + 8, 3), " - ");
}

TEST_F(Cycle, FiveFailedRedialsThenTheSixthLostTickGivesUp) {
  for (int i = 1; i <= 5; ++i) {
    activity.Replace("");
    Tick();
    EXPECT_EQ(Lines().back(), " Error connecting to: Home ISP") << "tick " << i;
    EXPECT_EQ(failures, i);
    EXPECT_TRUE(timer.Enabled());
  }
  activity.Replace("");
  Tick();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3], " 5 Unsuccessful re-connection attempts ");
  EXPECT_EQ(lines[4], " Monitor Disabled");
  EXPECT_EQ(fe.phonebook.dials.size(), 5u);
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(Cycle, TheCountSurvivesASuccess) {
  for (int i = 0; i < 3; ++i) Tick();
  DialBringsConnectionUp();
  Tick();
  EXPECT_EQ(failures, 3);
  Tick();  // online: nothing to report
  fe.phonebook.onDial = nullptr;
  Lost();
  Tick();
  Tick();
  EXPECT_EQ(failures, 5);
  activity.Replace("");
  Tick();
  EXPECT_EQ(Lines().at(3), " 5 Unsuccessful re-connection attempts ");
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(Cycle, NoAccountWhileOnlineRefreshesTheListQuietly) {
  Set("ConID", "");
  Online();
  Tick();
  EXPECT_TRUE(activity.Text().empty());
  EXPECT_TRUE(fe.desktop.boxes.empty());
  EXPECT_TRUE(fe.log.Has("GetTcpTable"));
  EXPECT_TRUE(TailRan(fe.log.Find("GetTcpTable")));
  EXPECT_EQ(profile.reads, 5);  // AutoRecon, Retry, ConID, UName, PWord, every tick
}

TEST_F(Cycle, NoAccountWhileNotConnectedStopsWithOneBox) {
  for (const bool offline : {false, true}) {
    SCOPED_TRACE(offline ? "offline" : "lost");
    fe.log.Clear();
    fe.desktop.boxes.clear();
    profile.values.erase({"Temp", "1"});
    Set("ConID", "");
    offline ? Offline() : Lost();
    Tick();
    ASSERT_EQ(fe.desktop.boxes.size(), 1u);
    EXPECT_EQ(fe.desktop.boxes[0].text,
              "Tavrel has been disabled as no account has been specified.\r\n\r\n"
              "Please specify an account in the settings and re-start Tavrel");
    EXPECT_EQ(fe.desktop.boxes[0].code, mb::kInformation);
    EXPECT_EQ(fe.desktop.boxes[0].caption, "Tavrel Monitor Disabled");
    EXPECT_EQ(EventsFrom(fe.log.Find("ClearTopMost 42")),
              (std::vector<std::string>{"ClearTopMost 42", "Timer off", "MsgBox", "SetTopMost 42"}));
    EXPECT_FALSE(timer.Enabled());
    EXPECT_TRUE(activity.Text().empty());
    EXPECT_EQ((profile.values[{"Temp", "1"}]), "GD");
    EXPECT_TRUE(fe.phonebook.dials.empty());
  }
}

TEST_F(Cycle, AskingNoLeavesTheMonitorStopped) {
  Set("AutoRecon", "0");
  fe.desktop.answers = {mb::kNo};
  Tick();
  ASSERT_EQ(fe.desktop.boxes.size(), 1u);
  EXPECT_EQ(fe.desktop.boxes[0].text, "The connection has been lost. Would you like to re-connect?");
  EXPECT_EQ(fe.desktop.boxes[0].code, mb::kYesNoQuestion);
  EXPECT_EQ(fe.desktop.boxes[0].caption, "Tavrel");
  EXPECT_EQ(Lines(), LostEntries());
  EXPECT_EQ(EventsFrom(fe.log.Find("ClearTopMost 42")),
            (std::vector<std::string>{"ClearTopMost 42", "Timer off", "MsgBox"}));
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(fe.phonebook.dials.empty());
}

TEST_F(Cycle, AskingYesWritesSuccessWhateverTheDialDidAndAsksAgain) {
  Set("AutoRecon", "0");
  fe.desktop.answers = {mb::kYes, mb::kYes};
  fe.phonebook.dialResult = 691;
  Tick();
  auto want = LostEntries();
  want.push_back(" Re-connection successful ");
  EXPECT_EQ(Lines(), want);
  EXPECT_TRUE(InOrder({"ClearTopMost 42", "Timer off", "MsgBox", "RasDial", "Timer on",
                       "SetTopMost 42"}));
  EXPECT_TRUE(TailRan(fe.log.Find("RasDial")));
  EXPECT_EQ(failures, 0);
  Tick();  // still lost: asked again
  EXPECT_EQ(fe.desktop.boxes.size(), 2u);
  EXPECT_EQ(fe.phonebook.dials.size(), 2u);
  EXPECT_EQ(failures, 0);
}

TEST_F(Cycle, AutoReconIsComparedAsANumber) {
  const struct {
    const char* text;
    bool automatic;
    bool explained;
  } cases[] = {{"1", true, false},  {"01", true, false}, {" 1.0", true, false},
               {"2", false, false}, {"0", false, false}, {"-1", false, false},
               {"yes", false, true}, {"", false, true},  {"1x", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Set("AutoRecon", c.text);
    activity.Replace("");
    fe.desktop.boxes.clear();
    fe.phonebook.dials.clear();
    fe.desktop.answers = {mb::kNo};
    Tick();
    EXPECT_EQ(fe.desktop.boxes.empty(), c.automatic);
    EXPECT_EQ(fe.phonebook.dials.size(), c.automatic ? 1u : 0u);
    const auto lines = Lines();
    const bool explained =
        lines.size() == 4 && lines[3] == std::string(" AutoRecon setting \"") + c.text +
                                             "\" is not a number; asking before re-connecting";
    EXPECT_EQ(explained, c.explained);
  }
}

TEST_F(Cycle, OfflineIsNotedOnEveryTickWithoutDialling) {
  Offline();
  Tick();
  Tick();
  EXPECT_EQ(Lines(), (std::vector<std::string>{" Connection offline", " Connection offline"}));
  EXPECT_TRUE(fe.phonebook.dials.empty());
  EXPECT_FALSE(fe.log.Has("GetTcpTable"));
  EXPECT_TRUE(TailRan());
}

TEST_F(Cycle, OnlineTicksAddNothing) {
  Online();
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_TRUE(activity.Text().empty());
  EXPECT_EQ(fe.connection.queries, 3);
  EXPECT_TRUE(TailRan());
}

TEST_F(Cycle, TheNextTickIsTimedFromTheEndOfALongCycle) {
  // The dial takes 40 s; the timer must be switched off and on again after it, so that its
  // countdown of 3 s starts when the cycle ends.
  const LocalTime start = fe.clock.now;
  fe.phonebook.onDial = [this](const RasDialParams&) { fe.clock.Advance(40); };
  struct ClockedTimer : fakes::FakeTimer {
    ClockedTimer(fakes::EventLog& l, fakes::FakeClock& c) : FakeTimer(l), clock(c) {}
    void SetEnabled(bool on) override {
      FakeTimer::SetEnabled(on);
      if (on) lastOn = clock.now;
    }
    fakes::FakeClock& clock;
    LocalTime lastOn{};
  } clocked(fe.log, fe.clock);
  MonitorParts p{activity, list, clocked, kMain, failures};
  RunMonitorCycle(env, p);
  const int dial = fe.log.Find("RasDial");
  const int off = fe.log.Find("Timer off", dial);
  ASSERT_GT(off, dial);
  EXPECT_EQ(fe.log.Find("Timer on"), fe.log.Find("Timer on", off));  // never on before the end
  EXPECT_EQ(fe.log.events.back(), "Timer on");
  EXPECT_EQ(clocked.lastOn.second, (start.second + 40) % 60);
  EXPECT_EQ(clocked.lastOn.minute, start.minute + (start.second + 40) / 60);
}

TEST_F(Cycle, TicksNeverNest) {
  int inner = 0;
  fe.desktop.onDoEvents = [&] {
    ++inner;
    Tick();  // a tick arriving while this one lets events run
  };
  fe.phonebook.onDial = [&](const RasDialParams&) { Tick(); };
  Tick();
  EXPECT_EQ(inner, 2);
  EXPECT_EQ(fe.phonebook.dials.size(), 1u);
  EXPECT_EQ(fe.connection.queries, 2);  // the tick's probe and the one after the dial
  EXPECT_EQ(Lines().size(), 4u);
  fe.desktop.onDoEvents = nullptr;
  fe.phonebook.onDial = nullptr;
  Tick();  // the guard is released afterwards
  EXPECT_EQ(fe.phonebook.dials.size(), 2u);
}

TEST_F(Cycle, SettingsChangedBetweenTicksTakeEffect) {
  Tick();
  Set("ConID", "Other");
  Set("UName", "kim");
  activity.Replace("");
  Tick();
  EXPECT_EQ(Lines()[1], " Attempting Reconnection to: Other");
  EXPECT_EQ(Lines()[2], " Querying Authorisation for: kim");
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials[1].szEntryName), "Other");
}

TEST_F(Cycle, UnreadableRetryFallsBackToFiveAndSaysSo) {
  for (const char* text : {"many", "40000", "-40000", ""}) {
    SCOPED_TRACE(text);
    Set("Retry", text);
    failures = 4;
    activity.Replace("");
    timer.SetEnabled(true);
    Tick();
    auto lines = Lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[3], std::string(" Retry setting \"") + text +
                            "\" is not a whole number from -32768 to 32767; using 5");
    EXPECT_EQ(lines[4], " Error connecting to: Home ISP");
    EXPECT_EQ(failures, 5);
    activity.Replace("");
    Tick();
    lines = Lines();
    EXPECT_EQ(lines.at(4), " 5 Unsuccessful re-connection attempts ");
    EXPECT_FALSE(timer.Enabled());
  }
}

TEST_F(Cycle, RetryIsReadAsA16BitWholeNumber) {
  Set("Retry", "2.5");  // rounds to 2 (halves to even)
  failures = 2;
  Tick();
  EXPECT_EQ(Lines().at(3), " 2 Unsuccessful re-connection attempts ");
}

TEST_F(Cycle, UnreachableRetryRedialsWithAReasonUntilTheCountIsFull) {
  Set("Retry", "-1");
  Tick();
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3], " Retry -1 cannot be reached from 0 failed attempts: re-connecting "
                      "without a limit (up to 32767 attempts)");
  EXPECT_EQ(failures, 1);

  Set("Retry", "2");  // lowered below the count at run time
  failures = 3;
  activity.Replace("");
  Tick();
  EXPECT_EQ(Lines().at(3), " Retry 2 cannot be reached from 3 failed attempts: re-connecting "
                           "without a limit (up to 32767 attempts)");
  EXPECT_EQ(failures, 4);

  // The count never wraps: at its top the monitor gives up.
  Set("Retry", "-5");
  failures = 32766;
  Tick();
  EXPECT_EQ(failures, 32767);
  EXPECT_TRUE(timer.Enabled());
  activity.Replace("");
  Tick();
  EXPECT_EQ(Lines().at(3), " 32767 Unsuccessful re-connection attempts ");
  EXPECT_EQ(failures, 32767);
  EXPECT_FALSE(timer.Enabled());
}

TEST(IsOfflineState, OnlyTheTwoExactTexts) {
  EXPECT_TRUE(IsOfflineState("Not connected to the internet."));
  EXPECT_TRUE(IsOfflineState("The connection is currently offline. "));
  EXPECT_FALSE(IsOfflineState("The connection is currently offline."));
  EXPECT_FALSE(IsOfflineState("not connected to the internet."));
  EXPECT_FALSE(IsOfflineState(""));
  EXPECT_FALSE(IsOfflineState("Remote Access Services are installed on this system."));
}

}  // namespace
}  // namespace tavrel
