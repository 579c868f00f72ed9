#include "forms/frmMenu.h"

#include <gtest/gtest.h>
#include <functional>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

constexpr WindowHandle kMain = 7;
const std::string kServer = "http://updates.test:8080";

// The menu window as the behaviour sees it: open until unloaded, the unload handler runs once
// as it closes, as the real window does.
struct FakeMenuView : IMenuView, fakes::Logging {
  using Logging::Logging;
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
    UnloadAbout();
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
};

// A menu over a fake environment; the main window has stopped its timer before opening it.
struct MenuRig {
  MenuRig() { view.form = &form; }

  // Not online: the probe's state 7.
  void Offline() {
    f.connection.flags = 0;
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

// Every way of closing runs the closing steps exactly once, also when two of them meet (an item's
// action after the focus rule has already closed the menu). The focus goes to each box and to the
// about window as they show: that closes nothing until they are answered or closed.
TEST_F(MenuTest, EveryWayOfClosingRunsTheClosingStepsOnce) {
  const std::vector<std::pair<const char*, std::function<void(MenuRig&)>>> ways = {
      {"close image", [](MenuRig& t) { t.form.imgClose_Click(); }},
      {"help file",
       [](MenuRig& t) {
         t.f.fs.files[P("/app/help.chm")] = "x";
         t.form.lblContents_Click();
         EXPECT_EQ(t.f.desktop.opened, std::vector<std::string>{P("/app/help.chm")});
       }},
      {"no help file, No, then the focus lost",
       [](MenuRig& t) {
         t.f.desktop.answers = {mb::kNo};
         t.form.lblContents_Click();
         EXPECT_EQ(t.f.desktop.Boxes(), std::string(menu::kNoHelpQuestion) + "|36|Tavrel\n");
         t.ExpectStillOpen();
         t.form.Form_LostFocus();
       }},
      {"no help file, Yes: the product page",
       [](MenuRig& t) {
         t.f.desktop.answers = {mb::kYes};
         t.form.lblContents_Click();
         EXPECT_EQ(t.f.desktop.opened, std::vector<std::string>{kServer + menu::kProductPage});
       }},
      {"an online item while not online: the warning",
       [](MenuRig& t) {
         t.Offline();
         t.form.lblFeedback_Click();
         EXPECT_EQ(t.f.desktop.Boxes(), std::string(menu::kNotConnectedWarning) + "|48|Tavrel\n");
         EXPECT_TRUE(t.f.desktop.opened.empty());
       }},
      {"about, shown modally before the menu closes",
       [](MenuRig& t) {
         t.form.lblAbout_Click();
         EXPECT_LT(t.f.log.Find("About closed"), t.f.log.Find("Timer on"));
       }},
      {"update window, which leaves it open until it takes the focus",
       [](MenuRig& t) {
         t.form.lblUpdate_Click();
         EXPECT_TRUE(t.f.log.Has("ShowUpdate"));
         t.ExpectStillOpen();
         t.form.Form_LostFocus();
       }},
      {"closed from outside", [](MenuRig& t) { t.form.Form_QueryUnload(); }},
  };
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    MenuRig t;
    t.f.Save("Settings", "ConID", "My ISP");
    bool closedMeanwhile = false;
    const auto focusGoes = [&t, &closedMeanwhile] {
      t.form.Form_LostFocus();
      closedMeanwhile = closedMeanwhile || !t.view.open;
    };
    t.f.desktop.onBox = focusGoes;
    t.view.whileAboutOpen = focusGoes;
    close(t);
    EXPECT_FALSE(closedMeanwhile);
    t.ExpectClosedOnce();
    EXPECT_TRUE(t.timer.Enabled());
  }
  form.Form_LostFocus();  // without an entry the monitor stays off
  ExpectClosedOnce();
  EXPECT_FALSE(timer.Enabled());
}

TEST_F(MenuTest, OnlineItemsOpenTheirPages) {
  const std::vector<std::pair<std::size_t, std::string>> links = {
      {menu::kHomepage, "/?mode=Products&p=tavrel"},
      {menu::kFeedback, "/?mode=Contact&sub-mode=cfeedback"},
      {menu::kRepBug, "/?mode=Contact&sub-mode=csupport"},
  };
  for (const auto& [item, page] : links) {
    SCOPED_TRACE(page);
    MenuRig t;
    t.form.Item_Click(item);
    EXPECT_EQ(t.f.desktop.opened, std::vector<std::string>{kServer + page});
    t.ExpectClosedOnce();
  }
}

// Closed from outside (the desktop, the program's end) while its about window is open: the about
// window closes first, then the menu, each once.
TEST_F(MenuTest, ClosedFromOutsideWhileTheAboutWindowIsOpenTheAboutWindowGoesFirst) {
  f.Save("Settings", "ConID", "x");
  view.whileAboutOpen = [this] { form.Form_QueryUnload(); };
  form.lblAbout_Click();
  EXPECT_EQ(Count("About closed"), 1);
  EXPECT_LT(f.log.Find("About closed"), f.log.Find("Timer on"));
  ExpectClosedOnce();
}

}  // namespace
}  // namespace tavrel
