#include "forms/frmMenu.h"

#include <gtest/gtest.h>
#include <functional>

#include "fakes/FakeEnv.h"
#include "monitor/modConnection.h"

namespace tavrel {
namespace {

using fakes::P;

constexpr WindowHandle kMain = 7;
const std::string kServer = "http://updates.test:8080";

// The menu window as the behaviour sees it: open until unloaded, the unload handler runs once
// as it closes, as the real window does.
class FakeMenuView : public IMenuView {
 public:
  explicit FakeMenuView(fakes::EventLog& log) : log_(log) {}
  void SetHighlightTop(long) override {}
  bool IsOpen() const override { return open; }
  void Unload() override {
    if (!open) return;
    open = false;
    if (form) form->Form_Unload();
  }
  void ShowAbout() override {
    log_.Add("ShowAbout");
    aboutOpen = true;
    if (whileAboutOpen) whileAboutOpen();
    if (aboutOpen) log_.Add("About closed");
    aboutOpen = false;
  }
  void UnloadAbout() override {
    if (aboutOpen) log_.Add("About closed");
    aboutOpen = false;
  }
  void ShowUpdate() override { log_.Add("ShowUpdate"); }

  frmMenu* form = nullptr;
  bool open = true;
  bool aboutOpen = false;
  std::function<void()> whileAboutOpen;

 private:
  fakes::EventLog& log_;
};

// A menu over a fake environment; the main window has stopped its timer before opening it.
struct MenuRig {
  MenuRig() { view.form = &form; }

  // Not online (state 7), or not online with remote access installed (6).
  void Offline(std::uint32_t flags = 0) {
    f.connection.flags = flags;
    f.connection.result = 0;
    f.connection.aliveResult = 0;
  }
  int Count(const std::string& e) const { return f.log.Count(e); }
  // The closing steps ran exactly once: one timer switch and the main window back on top.
  void ExpectClosedOnce() {
    EXPECT_FALSE(view.open);
    EXPECT_EQ(Count("Timer on") + Count("Timer off"), 1);
    EXPECT_EQ(Count("SetTopMost 7"), 1);
    if (timer.Enabled()) { EXPECT_LT(f.log.Find("Timer on"), f.log.Find("SetTopMost 7")) << "back on top last"; }
  }
  void ExpectStillOpen() {
    EXPECT_TRUE(view.open);
    EXPECT_EQ(Count("Timer on") + Count("Timer off") + Count("SetTopMost 7"), 0);
  }

  fakes::FakeEnv f;
  FakeMenuView view{f.log};
  fakes::FakeTimer timer{f.log, false};
  frmMenu form{f.env, view, timer, kMain};
};

class MenuTest : public ::testing::Test, protected MenuRig {};

// Every way of closing runs the closing steps exactly once, also when two of them meet (an
// item's action after the focus rule has already closed the menu).
TEST_F(MenuTest, EveryWayOfClosingRunsTheClosingStepsOnce) {
  const std::vector<std::pair<const char*, std::function<void(MenuRig&)>>> ways = {
      {"close image", [](MenuRig& t) { t.form.imgClose_Click(); }},
      {"focus lost twice",
       [](MenuRig& t) {
         t.form.Form_LostFocus();
         t.form.Form_LostFocus();
       }},
      {"help file",
       [](MenuRig& t) {
         t.f.fs.files[P("/app/help.chm")] = "x";
         t.form.lblContents_Click();
       }},
      {"online help",
       [](MenuRig& t) {
         t.f.desktop.answers = {mb::kYes};
         t.form.lblContents_Click();
       }},
      {"about taking the focus",
       [](MenuRig& t) {
         t.view.whileAboutOpen = [&t] { t.form.Form_LostFocus(); };
         t.form.lblAbout_Click();
       }},
      {"update window taking the focus",
       [](MenuRig& t) {
         t.form.lblUpdate_Click();
         t.form.Form_LostFocus();
       }},
      {"the main window's views",
       [](MenuRig& t) {
         t.view.Unload();
         t.view.Unload();
       }},
  };
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    MenuRig t;
    t.f.Save("Settings", "ConID", "My ISP");
    close(t);
    t.ExpectClosedOnce();
    EXPECT_TRUE(t.timer.Enabled());
  }
  form.Form_LostFocus();  // without an entry the monitor stays off
  ExpectClosedOnce();
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(MenuTest, ContentsOpensThePresentHelpFile) {
  f.fs.files[P("/app/help.chm")] = "help";
  form.lblContents_Click();
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(f.desktop.opened, std::vector<std::string>{P("/app/help.chm")});
}

TEST_F(MenuTest, ContentsYesWhileOfflineWarnsAfterTheQuestion) {
  Offline();
  f.desktop.answers = {mb::kYes};
  form.lblContents_Click();
  ASSERT_EQ(f.desktop.boxes.size(), 2u);
  EXPECT_EQ(f.desktop.boxes[1].text, menu::kNotConnectedWarning);
  EXPECT_TRUE(f.desktop.opened.empty());
  ExpectClosedOnce();
}

TEST_F(MenuTest, OnlineLinksOpenTheirPagesOrWarnWhenNotOnline) {
  const std::vector<std::pair<std::size_t, std::string>> links = {
      {menu::kHomepage, "/?mode=Products&p=tavrel"},
      {menu::kFeedback, "/?mode=Contact&sub-mode=cfeedback"},
      {menu::kRepBug, "/?mode=Contact&sub-mode=csupport"},
  };
  for (const auto& [item, page] : links) {
    SCOPED_TRACE(page);
    MenuRig online;
    online.form.Item_Click(item);
    EXPECT_EQ(online.f.desktop.opened, std::vector<std::string>{kServer + page});
    EXPECT_TRUE(online.f.desktop.boxes.empty());
    online.ExpectClosedOnce();

    MenuRig offline;
    offline.Offline();
    offline.form.Item_Click(item);
    ASSERT_EQ(offline.f.desktop.boxes.size(), 1u);
    EXPECT_EQ(offline.f.desktop.boxes[0].text, "Please make sure you are connected to the internet first");
    EXPECT_EQ(offline.f.desktop.boxes[0].code, 48);
    EXPECT_TRUE(offline.f.desktop.opened.empty());
    offline.ExpectClosedOnce();
  }
}

TEST_F(MenuTest, AboutIsShownModallyBeforeTheMenuClosesAndUpdateLeavesItOpen) {
  form.lblUpdate_Click();
  EXPECT_TRUE(f.log.Has("ShowUpdate"));
  ExpectStillOpen();

  f.Save("Settings", "ConID", "x");
  form.lblAbout_Click();
  EXPECT_GT(f.log.Find("Timer on"), f.log.Find("About closed"));
  ExpectClosedOnce();
}

// Closed from outside (the desktop, the program's end) while its about window is open: the about
// window closes first, then the menu, each once; without one the menu simply closes.
TEST_F(MenuTest, ClosedFromOutsideWhileTheAboutWindowIsOpenTheAboutWindowGoesFirst) {
  f.Save("Settings", "ConID", "x");
  view.whileAboutOpen = [this] { form.Form_QueryUnload(); };
  form.lblAbout_Click();
  EXPECT_EQ(Count("About closed"), 1);
  EXPECT_LT(f.log.Find("About closed"), f.log.Find("Timer on"));
  ExpectClosedOnce();

  MenuRig t;
  t.form.Form_QueryUnload();
  EXPECT_FALSE(t.f.log.Has("About closed"));
  t.ExpectClosedOnce();
}

// The menu's own boxes and its about window take the focus without closing it: the question is
// answered, the warning acknowledged and the about window closed before the closing steps run.
TEST_F(MenuTest, ItsOwnBoxesAndAboutWindowHaveTheFocusWithoutClosingIt) {
  const std::vector<std::pair<const char*, std::function<void(MenuRig&)>>> cases = {
      {"help question, No",
       [](MenuRig& t) {
         t.f.desktop.answers = {mb::kNo};
         t.form.lblContents_Click();
       }},
      {"help question, Yes",
       [](MenuRig& t) {
         t.f.desktop.answers = {mb::kYes};
         t.form.lblContents_Click();
       }},
      {"not connected",
       [](MenuRig& t) {
         t.Offline();
         t.form.lblFeedback_Click();
       }},
      {"about", [](MenuRig& t) { t.form.lblAbout_Click(); }},
  };
  for (const auto& [name, act] : cases) {
    SCOPED_TRACE(name);
    MenuRig t;
    bool openMeanwhile = false;
    const auto focusGoes = [&] {
      t.form.Form_LostFocus();
      openMeanwhile = t.view.open;
    };
    t.f.desktop.onBox = focusGoes;
    t.view.whileAboutOpen = focusGoes;
    act(t);
    EXPECT_TRUE(openMeanwhile);
    if (std::string(name) == "help question, No") {
      t.ExpectStillOpen();
      t.form.Form_LostFocus();  // afterwards a focus loss closes it as ever
    }
    t.ExpectClosedOnce();
  }
}

}  // namespace
}  // namespace tavrel
