#include "ui/frmMenu.h"

#include <functional>
#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"
#include "monitor/modConnection.h"

namespace tavrel {
namespace {

constexpr WindowHandle kMain = 7;

// The menu window as the behaviour sees it: open until unloaded, the unload handler runs once
// as it closes, as the real window does.
class FakeMenuView : public IMenuView {
 public:
  explicit FakeMenuView(fakes::EventLog& log) : log_(log) {}
  void SetHighlightTop(long top) override { barTop = top; }
  bool IsOpen() const override { return open; }
  void Unload() override {
    log_.Add("Unload menu");
    if (!open) return;
    open = false;
    if (form) form->Form_Unload();
  }
  void ShowAbout() override {
    log_.Add("ShowAbout");
    if (whileAboutOpen) whileAboutOpen();
    log_.Add("About closed");
  }
  void ShowUpdate() override { log_.Add("ShowUpdate"); }

  frmMenu* form = nullptr;
  bool open = true;
  long barTop = menu::kBarStartTop;
  std::function<void()> whileAboutOpen;

 private:
  fakes::EventLog& log_;
};

// A menu over a fake environment; the main window has stopped its timer before opening it.
struct MenuRig {
  MenuRig() { view.form = &form; }

  // The probe answers "not online" (7) or "not online, remote access installed" (6).
  void NotOnline() {
    f.connection.flags = 0;
    f.connection.result = 0;
    f.connection.aliveResult = 0;
    ASSERT_EQ(modConnection::OnlineStateCode(f.env), 7);
  }
  void OnlyRemoteAccessInstalled() {
    f.connection.flags = INTERNET_RAS_INSTALLED;
    f.connection.result = 0;
    f.connection.aliveResult = 0;
    ASSERT_EQ(modConnection::OnlineStateCode(f.env), 6);
  }
  int Count(const std::string& e) const {
    int n = 0;
    for (const auto& x : f.log.events) n += x == e ? 1 : 0;
    return n;
  }
  // The closing steps ran exactly once: one timer switch and the main window back on top.
  void ExpectClosedOnce() {
    EXPECT_FALSE(view.open);
    EXPECT_EQ(Count("Timer on") + Count("Timer off"), 1);
    EXPECT_EQ(Count("SetTopMost 7"), 1);
    EXPECT_TRUE(f.wm.IsTopMost(kMain));
  }
  void ExpectStillOpen() {
    EXPECT_TRUE(view.open);
    EXPECT_EQ(Count("Timer on") + Count("Timer off"), 0);
    EXPECT_FALSE(f.log.Has("SetTopMost 7"));
  }

  fakes::FakeEnv f;
  FakeMenuView view{f.log};
  fakes::FakeTimer timer{f.log, false};
  frmMenu form{f.env, view, timer, kMain};
};

class MenuTest : public ::testing::Test, protected MenuRig {};

const std::string kServer = "http://updates.test:8080";

// ---- closing ----------------------------------------------------------------------------

TEST_F(MenuTest, FocusLossWithoutAnEntryClosesAndLeavesTheMonitorOff) {
  form.Form_LostFocus();
  ExpectClosedOnce();
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(f.log.Has("Timer off"));
}

TEST_F(MenuTest, FocusLossWithAnEntryRestartsTheMonitor) {
  f.Save("Settings", "ConID", "x");
  form.Form_LostFocus();
  ExpectClosedOnce();
  EXPECT_TRUE(timer.Enabled());
  // The entry is read before the timer is switched and the main window goes back on top last.
  const int on = f.log.Find("Timer on");
  EXPECT_LT(on, f.log.Find("SetTopMost 7"));
}

// Every way of closing runs the closing steps exactly once, also when two of them meet (an
// item's action after the focus rule has already closed the menu).
TEST_F(MenuTest, EveryWayOfClosingRunsTheClosingStepsOnce) {
  const std::vector<std::pair<const char*, std::function<void(MenuRig&)>>> ways = {
      {"close image", [](MenuRig& t) { t.form.imgClose_Click(); }},
      {"focus lost", [](MenuRig& t) { t.form.Form_LostFocus(); }},
      {"focus lost twice", [](MenuRig& t) { t.form.Form_LostFocus(); t.form.Form_LostFocus(); }},
      {"home page", [](MenuRig& t) { t.form.lblHomepage_Click(); }},
      {"feedback", [](MenuRig& t) { t.form.lblFeedback_Click(); }},
      {"bug report", [](MenuRig& t) { t.form.lblRepBug_Click(); }},
      {"offline link", [](MenuRig& t) { t.NotOnline(); t.form.lblFeedback_Click(); }},
      {"help file", [](MenuRig& t) {
         t.f.fs.files["/app/help.chm"] = "x";
         t.form.lblContents_Click();
       }},
      {"online help", [](MenuRig& t) {
         t.f.desktop.answers = {mb::kYes};
         t.form.lblContents_Click();
       }},
      {"about", [](MenuRig& t) { t.form.lblAbout_Click(); }},
      {"about taking the focus", [](MenuRig& t) {
         t.view.whileAboutOpen = [&t] { t.form.Form_LostFocus(); };
         t.form.lblAbout_Click();
       }},
      {"update window taking the focus", [](MenuRig& t) {
         t.form.lblUpdate_Click();
         t.form.Form_LostFocus();
       }},
      {"the main window's views", [](MenuRig& t) { t.view.Unload(); t.view.Unload(); }},
  };
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    MenuRig t;
    t.f.Save("Settings", "ConID", "My ISP");
    close(t);
    t.ExpectClosedOnce();
    EXPECT_TRUE(t.timer.Enabled());
  }
}

// ---- items ------------------------------------------------------------------------------

TEST_F(MenuTest, ContentsOpensThePresentHelpFile) {
  f.fs.files["/app/help.chm"] = "help";
  form.lblContents_Click();
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(f.desktop.opened, std::vector<std::string>{"/app/help.chm"});
  ExpectClosedOnce();
}

TEST_F(MenuTest, ContentsWithoutTheHelpFileAsksAndNoOpensNothing) {
  form.lblContents_Click();
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_EQ(f.desktop.boxes[0].text,
            "Help files not present, would you like to view the online documentation?");
  EXPECT_EQ(f.desktop.boxes[0].code, 36);
  EXPECT_EQ(f.desktop.boxes[0].caption, "Tavrel");
  EXPECT_TRUE(f.desktop.opened.empty());
  EXPECT_EQ(f.connection.queries, 0);
  ExpectStillOpen();
}

TEST_F(MenuTest, AFolderNamedLikeTheHelpFileIsNoHelpFile) {
  f.fs.MakeFolders("/app/help.chm");
  form.lblContents_Click();
  EXPECT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_TRUE(f.desktop.opened.empty());
}

TEST_F(MenuTest, ContentsYesOpensTheProductPageAndCloses) {
  f.desktop.answers = {mb::kYes};
  form.lblContents_Click();
  EXPECT_EQ(f.desktop.opened, std::vector<std::string>{kServer + "/?mode=Products&p=tavrel"});
  ExpectClosedOnce();
}

TEST_F(MenuTest, ContentsYesWhileOfflineWarnsAfterTheQuestion) {
  NotOnline();
  f.desktop.answers = {mb::kYes};
  form.lblContents_Click();
  ASSERT_EQ(f.desktop.boxes.size(), 2u);
  EXPECT_EQ(f.desktop.boxes[1].text, "Please make sure you are connected to the internet first");
  EXPECT_TRUE(f.desktop.opened.empty());
  ExpectClosedOnce();
}

TEST_F(MenuTest, OnlineLinksOpenTheirPagesOnTheSupportServer) {
  const std::vector<std::pair<void (frmMenu::*)(), std::string>> links = {
      {&frmMenu::lblHomepage_Click, "/?mode=Products&p=tavrel"},
      {&frmMenu::lblFeedback_Click, "/?mode=Contact&sub-mode=cfeedback"},
      {&frmMenu::lblRepBug_Click, "/?mode=Contact&sub-mode=csupport"},
  };
  for (const auto& [click, page] : links) {
    SCOPED_TRACE(page);
    MenuRig t;
    (t.form.*click)();
    EXPECT_EQ(t.f.desktop.opened, std::vector<std::string>{kServer + page});
    EXPECT_TRUE(t.f.desktop.boxes.empty());
    t.ExpectClosedOnce();
  }
}

TEST_F(MenuTest, NotOnlineWarnsOpensNothingAndCloses) {
  NotOnline();
  for (auto click : {&frmMenu::lblHomepage_Click, &frmMenu::lblFeedback_Click,
                     &frmMenu::lblRepBug_Click}) {
    view.open = true;
    f.desktop.boxes.clear();
    (form.*click)();
    ASSERT_EQ(f.desktop.boxes.size(), 1u);
    EXPECT_EQ(f.desktop.boxes[0].text, "Please make sure you are connected to the internet first");
    EXPECT_EQ(f.desktop.boxes[0].code, 48);
    EXPECT_EQ(f.desktop.boxes[0].caption, "Tavrel");
    EXPECT_FALSE(view.open);
  }
  EXPECT_TRUE(f.desktop.opened.empty());
}

TEST_F(MenuTest, OnlyStateSevenCountsAsOffline) {
  OnlyRemoteAccessInstalled();
  form.lblFeedback_Click();
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(f.desktop.opened, std::vector<std::string>{kServer + "/?mode=Contact&sub-mode=cfeedback"});
}

TEST_F(MenuTest, AboutIsShownModallyAndTheMenuClosesAfterIt) {
  f.Save("Settings", "ConID", "x");
  form.lblAbout_Click();
  const int shown = f.log.Find("ShowAbout");
  ASSERT_GE(shown, 0);
  EXPECT_GT(f.log.Find("Timer on"), f.log.Find("About closed"));
  ExpectClosedOnce();
}

TEST_F(MenuTest, UpdateCheckShowsTheUpdateWindowAndLeavesTheMenuOpen) {
  form.lblUpdate_Click();
  EXPECT_TRUE(f.log.Has("ShowUpdate"));
  ExpectStillOpen();
}

// ---- hovering ---------------------------------------------------------------------------

TEST_F(MenuTest, HighlightBarFollowsTheHoveredItemAndHidesOnTheBackground) {
  const std::vector<std::pair<void (frmMenu::*)(int, int, long, long), long>> items = {
      {&frmMenu::lblContents_MouseMove, 240}, {&frmMenu::lblAbout_MouseMove, 720},
      {&frmMenu::lblHomepage_MouseMove, 1080}, {&frmMenu::lblFeedback_MouseMove, 1560},
      {&frmMenu::lblRepBug_MouseMove, 1920}, {&frmMenu::lblUpdate_MouseMove, 2400},
  };
  EXPECT_EQ(view.barTop, -400) << "nothing is highlighted when the menu opens";
  for (const auto& [move, top] : items) {
    (form.*move)(0, 0, 10, 10);
    EXPECT_EQ(view.barTop, top);
    form.Form_MouseMove(0, 0, 10, 10);
    EXPECT_EQ(view.barTop, -2000);
  }
  ExpectStillOpen();
}

}  // namespace
}  // namespace tavrel
