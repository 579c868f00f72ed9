// The settings window's behaviour on fakes: opening, the boxes, Save, Close, View Logs, closing
// and the highlight bars.
#include "settings/frmSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes/FakeEnv.h"
#include "settings/modReg.h"

namespace tavrel {
namespace {

using fakes::EventLog;

class FakeList : public modRAS::IEntryList {
 public:
  void AddItem(const std::string& text) override { items.push_back(text); }
  int ListCount() const override { return static_cast<int>(items.size()); }
  int ListIndex() const override { return index; }
  void SetListIndex(int i) override { index = i; }
  std::string Text() const override {
    return index >= 0 && index < ListCount() ? items[static_cast<std::size_t>(index)] : "";
  }
  std::vector<std::string> items;
  int index = -1;
};

class FakeTextBox : public modRAS::ITextBox {
 public:
  std::string Text() const override { return text; }
  void SetText(const std::string& t) override { text = t; }
  std::string text;
};

// The window in memory. Unload closes it the way the real window does: its unload handler runs
// as it closes.
class FakeSettingsView : public ISettingsView {
 public:
  explicit FakeSettingsView(EventLog& log) : log_(log) {}
  WindowHandle Handle() const override { return kHandle; }
  modRAS::IEntryList& List1() override { return list; }
  modRAS::ITextBox& Text1() override { return user; }
  modRAS::ITextBox& Text2() override { return password; }
  void SetPasswordChar(const std::string& m) override { mask = m; }
  bool AutoReconnectTicked() const override { return autoReconnect; }
  void SetAutoReconnectTicked(bool t) override {
    autoReconnect = t;
    log_.Add(std::string("chkAutoReconnect ") + (t ? "ticked" : "unticked"));
  }
  bool WindowsTicked() const override { return windows; }
  void SetWindowsTicked(bool t) override {
    windows = t;
    log_.Add(std::string("chkWindows ") + (t ? "ticked" : "unticked"));
  }
  std::string RetryText() const override { return retry; }
  void SetRetryText(const std::string& t) override { retry = t; }
  void SetShape1Top(long t) override { shape1Top = t; }
  void SetShape1Colour(std::uint32_t c) override { shape1Colour = c; }
  void SetShape3Top(long t) override { shape3Top = t; }
  void SetShape3Colour(std::uint32_t c) override { shape3Colour = c; }
  void Unload() override {
    ++unloads;
    log_.Add("Unload");
    if (onUnload) onUnload();
  }

  static constexpr WindowHandle kHandle = 0x5E77;
  FakeList list;
  FakeTextBox user, password;
  std::string mask;
  bool autoReconnect = false, windows = false;
  std::string retry;
  long shape1Top = -1, shape3Top = -1;
  std::uint32_t shape1Colour = 0, shape3Colour = 0;
  int unloads = 0;
  std::function<void()> onUnload;

 private:
  EventLog& log_;
};

constexpr WindowHandle kMain = 0x3A1;

class SettingsWindow : public ::testing::Test {
 protected:
  SettingsWindow() {
    view.onUnload = [this] { form.Form_Unload(); };
    f.phonebook.entries = {{"Work", "alice", "secret1"}, {"Home", "bob", ""}};
  }
  std::string Get(const std::string& key) { return f.Get("Settings", key, "<missing>"); }
  void Save(const std::string& key, const std::string& value) { f.Save("Settings", key, value); }
  std::string RunValue() {
    const auto it = f.registry.values.find({HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel"});
    return it == f.registry.values.end() ? "<none>" : it->second;
  }
  int Count(const std::string& event) {
    return static_cast<int>(std::count(f.log.events.begin(), f.log.events.end(), event));
  }
  static std::string H(WindowHandle h) { return std::to_string(h); }

  fakes::FakeEnv f;
  fakes::FakeTimer timer{f.log, false};  // the main window's settings button switched it off
  FakeSettingsView view{f.log};
  frmSettings form{f.env, view, timer, kMain};
};

// --- Opening ---

TEST_F(SettingsWindow, OpeningWithoutASettingsFileShowsTheDefaultsAndTheFirstEntrysAccount) {
  form.Form_Load();
  EXPECT_FALSE(view.windows);
  EXPECT_FALSE(view.autoReconnect);
  EXPECT_EQ(view.retry, "5");
  EXPECT_EQ(view.mask, "*");
  EXPECT_EQ(view.list.items, (std::vector<std::string>{"Work", "Home"}));
  EXPECT_EQ(view.list.index, 0);
  EXPECT_EQ(view.user.text, "alice");
  EXPECT_EQ(view.password.text, "secret1");
  // Opening reads only: no file is made, nothing is registered.
  EXPECT_EQ(f.IniText(), "");
  EXPECT_TRUE(f.registry.values.empty());
  EXPECT_FALSE(f.log.Has("SetRegistryValue " + std::string(kRunKey)));
  EXPECT_FALSE(f.log.Has("DeleteRegistryValue " + std::string(kRunKey)));
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(SettingsWindow, OpeningTakesTheMainWindowOutOfTheBandFirstAndPutsItselfInLast) {
  Save("LoadWindows", "1");
  Save("AutoRecon", "1");
  f.log.Clear();
  form.Form_Load();
  const auto& e = f.log.events;
  ASSERT_FALSE(e.empty());
  EXPECT_EQ(e.front(), "ClearTopMost " + H(kMain));
  EXPECT_EQ(e.back(), "SetTopMost " + H(FakeSettingsView::kHandle));
  const int list = f.log.Find("RasEnumEntries");
  const int windows = f.log.Find("chkWindows ticked");
  const int autoRecon = f.log.Find("chkAutoReconnect ticked");
  EXPECT_LT(0, list);
  EXPECT_LT(list, windows);
  EXPECT_LT(windows, autoRecon);
}

TEST_F(SettingsWindow, TheStoredAccountIsNotShownOnlyThePhonebooksOwn) {
  Save("ConID", "Home");
  Save("UName", "carol");
  Save("PWord", "pw");
  form.Form_Load();
  EXPECT_EQ(view.list.Text(), "Work");
  EXPECT_EQ(view.user.text, "alice");
  EXPECT_EQ(view.password.text, "secret1");
}

TEST_F(SettingsWindow, LoadWindowsOnRewritesTheStartEntryWithTheCurrentPath) {
  Save("LoadWindows", " 01");
  // Registered while the program lived elsewhere.
  f.registry.values[{HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel"}] = "/old/place/tavrel";
  form.Form_Load();
  EXPECT_TRUE(view.windows);
  EXPECT_EQ(Get("LoadWindows"), "1");
  EXPECT_EQ(RunValue(), modReg::ProgramCommand(f.env));
  EXPECT_EQ(RunValue(), "/app/tavrel");
  EXPECT_EQ(Count("SetRegistryValue " + std::string(kRunKey)), 1);
}

TEST_F(SettingsWindow, LoadWindowsIsWrittenBeforeTheStartEntry) {
  Save("LoadWindows", "01");  // so that writing "1" changes the file
  f.log.Clear();
  form.Form_Load();
  const int write = f.log.Find("ReplaceFile " + f.IniPath());
  EXPECT_GE(write, 0);
  EXPECT_LT(write, f.log.Find("SetRegistryValue " + std::string(kRunKey)));
}

TEST_F(SettingsWindow, AStartEntryThatCannotBeWrittenStillShowsTheBoxTickedSilently) {
  Save("LoadWindows", "1");
  f.registry.denied = true;
  form.Form_Load();
  EXPECT_TRUE(view.windows);
  EXPECT_EQ(Get("LoadWindows"), "1");
  EXPECT_TRUE(f.desktop.boxes.empty());
}

TEST_F(SettingsWindow, AutoReconOnTicksTheBoxAndWritesItAgain) {
  Save("AutoRecon", "1.0");
  form.Form_Load();
  EXPECT_TRUE(view.autoReconnect);
  EXPECT_EQ(Get("AutoRecon"), "1");
  EXPECT_FALSE(view.windows);
}

TEST_F(SettingsWindow, SwitchesThatAreNotTheNumberOneLeaveTheBoxesUntickedAndUntouched) {
  for (const char* value : {"0", "2", "yes", "", "1x", "-1"}) {
    SCOPED_TRACE(std::string("value \"") + value + "\"");
    fakes::FakeEnv env;
    env.phonebook.entries = f.phonebook.entries;
    env.Save("Settings", "LoadWindows", value);
    env.Save("Settings", "AutoRecon", value);
    FakeSettingsView v{env.log};
    fakes::FakeTimer t{env.log, false};
    frmSettings s{env.env, v, t, kMain};
    s.Form_Load();
    EXPECT_FALSE(v.windows);
    EXPECT_FALSE(v.autoReconnect);
    EXPECT_EQ(env.Get("Settings", "LoadWindows"), value);
    EXPECT_EQ(env.Get("Settings", "AutoRecon"), value);
    EXPECT_FALSE(env.log.Has("DeleteRegistryValue " + std::string(kRunKey)));
  }
}

TEST_F(SettingsWindow, TheRetryCountIsShownAsStored) {
  Save("Retry", "07");
  form.Form_Load();
  EXPECT_EQ(view.retry, "07") << "the text is not reformatted as a number";
  Save("Retry", "");
  FakeSettingsView v{f.log};
  frmSettings again{f.env, v, timer, kMain};
  again.Form_Load();
  EXPECT_EQ(v.retry, "") << "an empty value is kept, not replaced by the default";
}

// --- The boxes and the list ---

TEST_F(SettingsWindow, TheBoxesWriteTheirKeyOnEveryClick) {
  form.Form_Load();
  view.autoReconnect = true;
  form.chkAutoReconnect_Click();
  EXPECT_EQ(Get("AutoRecon"), "1");
  view.autoReconnect = false;
  form.chkAutoReconnect_Click();
  EXPECT_EQ(Get("AutoRecon"), "0");

  view.windows = true;
  form.chkWindows_Click();
  EXPECT_EQ(Get("LoadWindows"), "1");
  EXPECT_EQ(RunValue(), "/app/tavrel");
  view.windows = false;
  f.log.Clear();
  form.chkWindows_Click();
  EXPECT_EQ(Get("LoadWindows"), "0");
  EXPECT_EQ(RunValue(), "<none>");
  EXPECT_LT(f.log.Find("ReplaceFile " + f.IniPath()),
            f.log.Find("DeleteRegistryValue " + std::string(kRunKey)));
}

TEST_F(SettingsWindow, UntickingWithoutARegistrationChangesNothingElseAndReportsNothing) {
  form.Form_Load();
  view.windows = false;
  form.chkWindows_Click();
  EXPECT_EQ(Get("LoadWindows"), "0");
  EXPECT_TRUE(f.registry.values.empty());
  EXPECT_TRUE(f.desktop.boxes.empty());
}

TEST_F(SettingsWindow, PickingAnEntryShowsItsAccountAndAFailedFetchKeepsTheBoxes) {
  form.Form_Load();
  view.list.SetListIndex(1);
  form.List1_Click();
  EXPECT_EQ(view.user.text, "bob");
  EXPECT_EQ(view.password.text, "") << "an entry without a saved password";

  view.user.text = "typed";
  view.password.text = "typed too";
  f.phonebook.entries.erase(f.phonebook.entries.begin());  // "Work" is gone from the phonebook
  view.list.SetListIndex(0);
  form.List1_Click();
  EXPECT_EQ(view.user.text, "typed");
  EXPECT_EQ(view.password.text, "typed too");
}

// --- Save, Close, View Logs ---

TEST_F(SettingsWindow, SaveStoresEntryUserAndPasswordThenSaysSoAndStaysOpen) {
  form.Form_Load();
  view.list.SetListIndex(1);
  form.List1_Click();
  view.password.text = "p@ss = word;#";
  view.retry = "9";
  std::string atBox;
  f.desktop.onBox = [&] { atBox = Get("ConID") + "|" + Get("UName") + "|" + Get("PWord"); };
  form.lblContents_Click();
  EXPECT_EQ(atBox, "Home|bob|p@ss = word;#") << "the three keys are written before the box";
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_EQ(f.desktop.boxes[0].text, "Settings saved");
  EXPECT_EQ(f.desktop.boxes[0].code, 64);
  EXPECT_EQ(f.desktop.boxes[0].caption, "Tavrel");
  EXPECT_EQ(view.unloads, 0);
  EXPECT_FALSE(form.Unloaded());
  // Save leaves the retry count and the switches alone.
  EXPECT_EQ(Get("Retry"), "<missing>");
  EXPECT_EQ(Get("AutoRecon"), "<missing>");
  EXPECT_EQ(Get("LoadWindows"), "<missing>");
}

TEST_F(SettingsWindow, AnEmptyPhonebookSavesAnEmptyEntryAndClosingLeavesTheTimerOff) {
  f.phonebook.entries.clear();
  Save("ConID", "Work");
  form.Form_Load();
  EXPECT_EQ(view.list.ListCount(), 0);
  EXPECT_EQ(view.list.index, -1);
  EXPECT_EQ(view.user.text, "");
  EXPECT_FALSE(f.log.Has("RasGetEntryDialParams"));
  form.lblContents_Click();
  EXPECT_EQ(Get("ConID"), "") << "stored as an empty value, not missing";
  EXPECT_EQ(Get("UName"), "");
  form.Label3_Click();
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(f.log.Has("Timer off"));
  EXPECT_FALSE(f.log.Has("Timer on"));
}

TEST_F(SettingsWindow, CloseStoresTheRetryCountExactlyAsTypedAndKeepsTheAccount) {
  Save("ConID", "Work");
  Save("UName", "alice");
  Save("PWord", "secret1");
  form.Form_Load();
  view.list.SetListIndex(1);
  form.List1_Click();
  view.user.text = "someone else";
  view.retry = "twelve";
  form.Label3_Click();
  EXPECT_EQ(Get("ConID"), "Work");
  EXPECT_EQ(Get("UName"), "alice");
  EXPECT_EQ(Get("PWord"), "secret1");
  EXPECT_EQ(Get("Retry"), "twelve");
  EXPECT_EQ(view.unloads, 1);
  EXPECT_TRUE(form.Unloaded());
}

TEST_F(SettingsWindow, ViewLogsOpensTheLogFolderAndKeepsTheOldRetryCount) {
  Save("Retry", "7");
  form.Form_Load();
  view.retry = "9";
  form.lblViewLogs_Click();
  EXPECT_EQ(f.desktop.launched, (std::vector<std::string>{"/app/logs"}));
  EXPECT_EQ(Get("Retry"), "7");
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(view.unloads, 1);
  EXPECT_TRUE(form.Unloaded());
}

TEST_F(SettingsWindow, ThePictureActsAsViewLogs) {
  f.env.app.folder = "/";  // a program in the root: one separator only
  form.Form_Load();
  form.Image1_Click();
  EXPECT_EQ(f.desktop.launched, (std::vector<std::string>{"/logs"}));
  EXPECT_EQ(view.unloads, 1);
}

TEST_F(SettingsWindow, AFailedLaunchIsReportedAndTheWindowStillCloses) {
  Save("ConID", "Work");
  form.Form_Load();
  f.desktop.launchSucceeds = false;
  form.lblViewLogs_Click();
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_EQ(f.desktop.boxes[0].text, "The log folder could not be opened:\r\n/app/logs");
  EXPECT_EQ(f.desktop.boxes[0].code, mb::kExclamation);
  EXPECT_EQ(f.desktop.boxes[0].caption, "Tavrel");
  EXPECT_LT(f.log.Find("MsgBox"), f.log.Find("Unload"));
  EXPECT_EQ(view.unloads, 1);
  EXPECT_TRUE(timer.Enabled()) << "the monitor carries on";
}

// --- Closing ---

TEST_F(SettingsWindow, ClosingRestoresTheBandAndStartsTheTimerWithAnEntry) {
  Save("ConID", "Work");
  form.Form_Load();
  f.log.Clear();
  form.Label3_Click();
  const int clear = f.log.Find("ClearTopMost " + H(FakeSettingsView::kHandle));
  const int set = f.log.Find("SetTopMost " + H(kMain));
  const int on = f.log.Find("Timer on");
  EXPECT_GE(clear, 0);
  EXPECT_LT(clear, set);
  EXPECT_LT(set, on);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_TRUE(f.wm.IsTopMost(kMain));
  EXPECT_FALSE(f.wm.IsTopMost(FakeSettingsView::kHandle));
}

TEST_F(SettingsWindow, TheClosingStepsRunOnceWhicheverWayAndHowEverOften) {
  Save("ConID", "Work");
  form.Form_Load();
  f.log.Clear();
  form.Label3_Click();
  form.Form_Unload();  // the window manager's close after the link had closed it
  form.lblViewLogs_Click();
  EXPECT_EQ(Count("Timer on"), 1);
  EXPECT_EQ(Count("SetTopMost " + H(kMain)), 1);
  EXPECT_EQ(Count("ClearTopMost " + H(FakeSettingsView::kHandle)), 1);
}

TEST_F(SettingsWindow, ClosingByTheWindowManagerWritesNothing) {
  Save("ConID", "Work");
  form.Form_Load();
  view.retry = "3";
  const std::string before = f.IniText();
  form.Form_Unload();
  EXPECT_EQ(f.IniText(), before);
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(SettingsWindow, TheTimerFollowsTheStoredEntryNotTheList) {
  form.Form_Load();  // "Work" is selected but never saved
  form.Label3_Click();
  EXPECT_FALSE(timer.Enabled());
}

// --- Highlight bars ---

struct BarCase {
  const char* over;
  void (frmSettings::*handler)(int, int, long, long);
  long shape1Top, shape3Top;  // -1: not moved
  std::uint32_t shape1Colour, shape3Colour;
};

class HighlightBars : public SettingsWindow, public ::testing::WithParamInterface<BarCase> {};

TEST_P(HighlightBars, FollowTheMouse) {
  const BarCase& c = GetParam();
  (form.*c.handler)(1, 0, 30, 40);
  EXPECT_EQ(view.shape1Top, c.shape1Top);
  EXPECT_EQ(view.shape3Top, c.shape3Top);
  EXPECT_EQ(view.shape1Colour, c.shape1Colour);
  EXPECT_EQ(view.shape3Colour, c.shape3Colour);
}

constexpr long kLogsTop = settingswin::SettingsPlace("lblViewLogs").top;
constexpr long kSaveTop = settingswin::SettingsPlace("lblContents").top;
constexpr long kCloseTop = settingswin::SettingsPlace("Label3").top;
constexpr std::uint32_t kWhite = 0xFFFFFF, kGrey = 0xE0E0E0;

INSTANTIATE_TEST_SUITE_P(
    Settings, HighlightBars,
    ::testing::Values(BarCase{"lblViewLogs", &frmSettings::lblViewLogs_MouseMove, -1, kLogsTop, kGrey, kWhite},
                      BarCase{"Image1", &frmSettings::Image1_MouseMove, -1, kLogsTop, kGrey, kWhite},
                      BarCase{"lblContents", &frmSettings::lblContents_MouseMove, kSaveTop, -1, kWhite, kGrey},
                      BarCase{"Label3", &frmSettings::Label3_MouseMove, kCloseTop, -1, kWhite, kGrey},
                      BarCase{"Frame1", &frmSettings::Frame1_MouseMove, -1, -1, kGrey, kGrey}),
    [](const auto& info) { return std::string(info.param.over); });

TEST(SettingsLayout, TheBarsSitLevelWithTheLinksTheyMark) {
  using settingswin::SettingsPlace;
  EXPECT_EQ(SettingsPlace("Shape3").top, SettingsPlace("lblViewLogs").top);
  EXPECT_EQ(SettingsPlace("Shape1").top, SettingsPlace("lblContents").top);
  // Each bar covers its links' height and lies in the window.
  EXPECT_GE(SettingsPlace("Shape1").height, SettingsPlace("Label3").height);
  for (const auto& c : settingswin::kSettingsLayout) {
    SCOPED_TRACE(c.name);
    EXPECT_GE(c.left, 0);
    EXPECT_GE(c.top, 0);
    EXPECT_LE(c.left + c.width, settingswin::kInnerWidth);
    EXPECT_LE(c.top + c.height, settingswin::kInnerHeight);
  }
}

}  // namespace
}  // namespace tavrel
