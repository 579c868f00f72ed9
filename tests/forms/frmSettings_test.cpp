// The settings window's behaviour on fakes: opening, the boxes, Save, Close, View Logs and
// closing.
#include "forms/frmSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes/FakeEntryControls.h"
#include "fakes/FakeEnv.h"
#include "settings/modReg.h"

namespace tavrel {
namespace {

using fakes::kExeSuffix;
using fakes::P;

// The window in memory. Unload closes it the way the real window does: its unload handler runs.
struct FakeSettingsView : ISettingsView, fakes::Logging {
  using Logging::Logging;
  WindowHandle Handle() const override { return kHandle; }
  modRAS::IEntryList& List1() override { return list; }
  modRAS::ITextBox& Text1() override { return user; }
  modRAS::ITextBox& Text2() override { return password; }
  void SetPasswordChar(const std::string& m) override { mask = m; }
  bool AutoReconnectTicked() const override { return autoReconnect; }
  void SetAutoReconnectTicked(bool t) override { autoReconnect = t; }
  bool WindowsTicked() const override { return windows; }
  void SetWindowsTicked(bool t) override { windows = t; }
  std::string RetryText() const override { return retry; }
  void SetRetryText(const std::string& t) override { retry = t; }
  void SetShape1Top(long) override {}
  void SetShape1Colour(std::uint32_t) override {}
  void SetShape3Top(long) override {}
  void SetShape3Colour(std::uint32_t) override {}
  void Unload() override {
    ++unloads;
    log_.Add("Unload");
    if (onUnload) onUnload();
  }

  static constexpr WindowHandle kHandle = 0x5E77;
  fakes::FakeEntryList list;
  fakes::FakeTextBox user, password;
  std::string mask, retry;
  bool autoReconnect = false, windows = false;
  int unloads = 0;
  std::function<void()> onUnload;
};

constexpr WindowHandle kMain = 0x3A1;
const std::string kMainH = std::to_string(kMain), kOwnH = std::to_string(FakeSettingsView::kHandle);
const std::string kSetRun = "SetRegistryValue " + std::string(kRunKey);
const std::string kDeleteRun = "DeleteRegistryValue " + std::string(kRunKey);

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
  void Pick(int index) {
    view.list.SetListIndex(index);
    form.List1_Click();
  }

  fakes::FakeEnv f;
  fakes::FakeTimer timer{f.log, false};  // the main window's settings button switched it off
  FakeSettingsView view{f.log};
  frmSettings form{f.env, view, timer, kMain};
};

TEST_F(SettingsWindow, OpeningWithoutASettingsFileShowsDefaultsAndWritesNothing) {
  form.Form_Load();
  EXPECT_FALSE(view.windows || view.autoReconnect);
  EXPECT_EQ(view.retry, "5");
  EXPECT_EQ(view.mask, "*");
  EXPECT_EQ(view.user.text + "/" + view.password.text, "alice/secret1");
  EXPECT_EQ(f.IniText(), "");
  EXPECT_FALSE(f.log.Has(kSetRun) || f.log.Has(kDeleteRun));
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(SettingsWindow, OpeningStepsInOrderAndThePhonebooksOwnAccountIsShown) {
  Save("LoadWindows", "01");  // so that writing "1" changes the file
  Save("AutoRecon", "1.0");
  Save("ConID", "Home");
  Save("UName", "carol");
  Save("Retry", "07");
  f.registry.values[{HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel"}] = P("/old/place/tavrel");
  f.log.Clear();
  form.Form_Load();
  const auto& e = f.log.events;
  EXPECT_EQ(e.front(), "ClearTopMost " + kMainH);
  EXPECT_EQ(e.back(), "SetTopMost " + kOwnH);
  EXPECT_LT(f.log.Find("ReplaceFile " + f.IniPath()), f.log.Find(kSetRun));  // LoadWindows before the entry
  EXPECT_EQ(view.list.Text() + "/" + view.user.text, "Work/alice");
  EXPECT_EQ(view.retry, "07") << "the text is not reformatted as a number";
  EXPECT_TRUE(view.windows && view.autoReconnect);
  EXPECT_EQ(Get("LoadWindows"), "1");
  EXPECT_EQ(Get("AutoRecon"), "1");
  EXPECT_EQ(RunValue(), P("/app/tavrel") + kExeSuffix);  // rewritten with the current path
  EXPECT_EQ(f.log.Count(kSetRun), 1);
}

// Failed writes are not reported by this window: a start entry that cannot be written leaves the
// box ticked as the stored switch says, and Save still says "Settings saved".
TEST_F(SettingsWindow, WritesThatFailChangeNothingTheWindowDoes) {
  Save("LoadWindows", "1");
  Save("Retry", "");
  f.registry.denied = true;
  form.Form_Load();
  EXPECT_TRUE(view.windows);
  EXPECT_EQ(view.retry, "") << "an empty value is kept, not replaced by the default";

  f.fs.readOnly = true;
  form.lblContents_Click();
  form.Label3_Click();
  EXPECT_EQ(f.desktop.Boxes(), "Settings saved|64|Tavrel\n") << "and no other box";
  EXPECT_EQ(view.unloads, 1) << "Close still closes the window";
}

// A switch is on only when its text is the number one: another leaves its box unticked and the
// stored text as it was.
TEST_F(SettingsWindow, SwitchesThatAreNotTheNumberOneLeaveTheBoxesUntickedAndUntouched) {
  Save("LoadWindows", "2");
  Save("AutoRecon", "1x");
  form.Form_Load();
  EXPECT_FALSE(view.windows || view.autoReconnect);
  EXPECT_EQ(Get("LoadWindows") + "|" + Get("AutoRecon"), "2|1x");
  EXPECT_FALSE(f.log.Has(kDeleteRun));
}

TEST_F(SettingsWindow, TheBoxesWriteTheirKeyOnEveryClick) {
  form.Form_Load();
  view.windows = false;  // unticking without a registration changes nothing else
  form.chkWindows_Click();
  EXPECT_EQ(Get("LoadWindows"), "0");
  EXPECT_TRUE(f.registry.values.empty());
  for (const bool on : {true, false}) {
    view.autoReconnect = view.windows = on;
    f.log.Clear();
    form.chkAutoReconnect_Click();
    form.chkWindows_Click();
    EXPECT_EQ(Get("AutoRecon"), on ? "1" : "0");
    EXPECT_EQ(Get("LoadWindows"), on ? "1" : "0");
    EXPECT_EQ(RunValue(), on ? P("/app/tavrel") + kExeSuffix : "<none>");
  }
  EXPECT_LT(f.log.Find("ReplaceFile " + f.IniPath()), f.log.Find(kDeleteRun));
  EXPECT_TRUE(f.desktop.boxes.empty());
}

TEST_F(SettingsWindow, SaveStoresTheAccountThenSaysSoAndStaysOpen) {
  form.Form_Load();
  Pick(1);
  view.password.text = "p@ss = word;#";
  view.retry = "9";
  std::string atBox;
  f.desktop.onBox = [&] { atBox = Get("ConID") + "|" + Get("UName") + "|" + Get("PWord"); };
  form.lblContents_Click();
  EXPECT_EQ(atBox, "Home|bob|p@ss = word;#") << "the three keys are written before the box";
  EXPECT_EQ(f.desktop.Boxes(), "Settings saved|64|Tavrel\n");
  EXPECT_EQ(view.unloads, 0);
  EXPECT_FALSE(form.Unloaded());
  for (const char* k : {"Retry", "AutoRecon", "LoadWindows"}) EXPECT_EQ(Get(k), "<missing>") << k;
}

TEST_F(SettingsWindow, AnEmptyPhonebookSavesAnEmptyEntry) {
  f.phonebook.entries.clear();
  Save("ConID", "Work");
  form.Form_Load();
  form.lblContents_Click();
  EXPECT_EQ(Get("ConID"), "") << "stored as an empty value, not missing";
}

TEST_F(SettingsWindow, CloseStoresTheRetryCountExactlyAsTypedAndKeepsTheAccount) {
  Save("ConID", "Work");
  Save("UName", "alice");
  Save("PWord", "secret1");
  form.Form_Load();
  Pick(1);
  view.user.text = "someone else";
  view.retry = "twelve";
  form.Label3_Click();
  EXPECT_EQ(Get("ConID") + "/" + Get("UName") + "/" + Get("PWord"), "Work/alice/secret1");
  EXPECT_EQ(Get("Retry"), "twelve");
  EXPECT_EQ(view.unloads, 1);
  EXPECT_TRUE(form.Unloaded());
}

// View Logs closes the window whether or not the desktop could be asked to open the folder; the
// monitor carries on either way.
TEST_F(SettingsWindow, ViewLogsOpensTheLogFolderOrSaysItCouldNotAndClosesEitherWay) {
  Save("Retry", "7");
  Save("ConID", "Work");
  form.Form_Load();
  view.retry = "9";
  form.lblViewLogs_Click();
  EXPECT_EQ(f.desktop.launched, (std::vector<std::string>{P("/app/logs")}));
  EXPECT_EQ(Get("Retry"), "7");
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(view.unloads, 1);

  f.env.app.folder = P("/");  // a program in the root: one separator only
  f.desktop.launchSucceeds = false;
  f.log.Clear();
  form.Image1_Click();  // the picture acts as View Logs
  EXPECT_EQ(f.desktop.Boxes(), "The log folder could not be opened:\r\n" + P("/logs") + "|48|Tavrel\n");
  EXPECT_LT(f.log.Find("MsgBox"), f.log.Find("Unload"));
  EXPECT_EQ(view.unloads, 2);
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(SettingsWindow, ClosingRestoresTheBandAndStartsTheTimerOnceWithAStoredEntry) {
  Save("ConID", "Work");
  form.Form_Load();
  f.log.Clear();
  form.Label3_Click();
  form.Form_Unload();  // the window manager's close after the link had closed it
  form.lblViewLogs_Click();
  const int clear = f.log.Find("ClearTopMost " + kOwnH), set = f.log.Find("SetTopMost " + kMainH);
  EXPECT_GE(clear, 0);
  EXPECT_LT(clear, set);
  EXPECT_LT(set, f.log.Find("Timer on"));
  for (const std::string& e : {std::string("Timer on"), "SetTopMost " + kMainH, "ClearTopMost " + kOwnH})
    EXPECT_EQ(f.log.Count(e), 1) << e;
}

}  // namespace
}  // namespace tavrel
