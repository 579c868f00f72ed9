#include "gui/qt/AboutWindow.h"

#include "OverMainWindow.h"

namespace tavrel::qt {
namespace {

using AboutWindowView = OverMainWindow;

// The main window leaves the band while the about window is open and every way of closing puts it
// back; a click on the notice opens the home page without closing.
TEST_F(AboutWindowView, MainWindowLeavesTheBandWhileOpenAndEveryWayOfClosingPutsItBack) {
  ASSERT_TRUE(MainOnTop());
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    AboutWindow about(env, mainHandle, &main);
    about.ShowLoaded();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    ASSERT_FALSE(MainOnTop());
    if (way == 0) {
      QTest::mouseClick(about.notice(), Qt::LeftButton, {}, QPoint(20, 8));
      EXPECT_EQ(desktop.opened, std::vector<std::string>{"open " + env.app.homePage});
      EXPECT_TRUE(about.isVisible());
      QTest::keyClick(&about, Qt::Key_Escape);
    }
    if (way == 1) about.close();  // the title bar's close button
    if (way == 2) QTest::mouseClick(about.closeButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !about.isVisible(); }));
    EXPECT_TRUE(MainOnTop());
  }
}

}  // namespace
}  // namespace tavrel::qt
