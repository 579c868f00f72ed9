#include "gui/qt/MenuWindow.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "OverMainWindow.h"
#include "gui/qt/AboutWindow.h"
#include "gui/qt/UpdateWindow.h"

namespace tavrel::qt {
namespace {

class MenuWindowView : public OverMainWindow {
 protected:
  void SetUp() override {
    OverMainWindow::SetUp();
    // What the info button does before it opens the menu.
    timer.SetEnabled(false);
    wm.ClearTopMost(mainHandle);
  }
  void Open() {
    menu.ShowAt(6060, 3000);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
  }

  QtTimer timer{3000, [] {}};
  Operations operations;
  UpdateWindowOpener updates{env, wm, mainHandle, operations};
  MenuWindow menu{env, wm, timer, mainHandle, updates};
};

// Escape and the close image reach the closing steps (which restart the monitor, an entry being
// stored; another program taking the focus is seen on the real desktop); unloading a closed menu
// does nothing.
TEST_F(MenuWindowView, EscapeAndTheCloseImageCloseIt) {
  f.Save("Settings", "ConID", "x");
  menu.Unload();
  EXPECT_FALSE(timer.Enabled()) << "unloading a closed menu does nothing";

  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"escape", [&] { QTest::keyClick(&menu, Qt::Key_Escape); }},
      {"close image", [&] { QTest::mouseClick(menu.closeImage(), Qt::LeftButton); }},
  };
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    timer.SetEnabled(false);
    wm.ClearTopMost(mainHandle);
    Open();
    EXPECT_EQ(menu.pos(), QPoint(404, 200)) << "at the screen point given";
    close();
    ASSERT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(MainOnTop());
  }
}

TEST_F(MenuWindowView, UpdateItemOpensTheUpdateWindowWhichTakesTheFocusAndSoClosesTheMenu) {
  f.Save("Settings", "ConID", "x");
  Open();
  QTest::mouseClick(menu.item(menu::kUpdate), Qt::LeftButton);
  QPointer<UpdateWindow> update = updates.Current();
  ASSERT_NE(update, nullptr);
  EXPECT_TRUE(update->isVisible());
  EXPECT_EQ(update->parentWidget(), nullptr) << "no owner";
  EXPECT_FALSE(update->isModal());
  EXPECT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
  EXPECT_TRUE(timer.Enabled());
  update->close();
  EXPECT_TRUE(WaitFor([&] { return update.isNull(); }));
}

// Closed by the desktop while its modal about window is open, the menu takes the about window with
// it.
TEST_F(MenuWindowView, ClosedByTheDesktopItTakesItsAboutWindowWithIt) {
  Open();
  bool sawAbout = false, aboutStayed = true;
  QTimer poll;  // runs inside the about window's modal loop
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
    if (!about || sawAbout) return;
    sawAbout = true;
    menu.close();
    aboutStayed = about->isVisible();
    about->close();  // never hang
  });
  poll.start(10);
  QTest::mouseClick(menu.item(menu::kAbout), Qt::LeftButton);
  EXPECT_TRUE(sawAbout);
  EXPECT_FALSE(aboutStayed);
  EXPECT_FALSE(menu.IsOpen());
}

}  // namespace
}  // namespace tavrel::qt
