#include "gui/qt/AboutWindow.h"

#include <QScrollBar>

#include "OverMainWindow.h"

namespace tavrel::qt {
namespace {

using AboutWindowView = OverMainWindow;

bool Fits(const QLabel* l) { return QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width(); }

// The behaviour's rows reach the screen, every row and the notice shown whole.
TEST_F(AboutWindowView, TheRowsReachTheScreenWhole) {
  AboutWindow about(env, mainHandle, &main);
  about.ShowLoaded();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  const std::vector<std::string> values = {"1.0", "1", env.app.company, env.app.homePage};
  for (int i = 0; i < 5; ++i) {
    if (i < 4) { EXPECT_EQ(about.rowValue(i)->text().toStdString(), values[i]); }
    EXPECT_TRUE(Fits(about.rowLabel(i)) && Fits(about.rowValue(i))) << i;
  }
  EXPECT_TRUE(Fits(about.notice()));
  EXPECT_EQ(about.disclaimer()->verticalScrollBar()->maximum(), 0) << "fits without scrolling";
  about.close();
}

TEST_F(AboutWindowView, AClickOnTheNoticeOpensTheHomePageWithoutClosing) {
  AboutWindow about(env, mainHandle, &main);
  about.ShowLoaded();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.notice(), Qt::LeftButton, {}, QPoint(20, 8));
  EXPECT_EQ(desktop.opened, std::vector<std::string>{env.app.homePage});
  EXPECT_TRUE(about.isVisible());
  about.close();
}

TEST_F(AboutWindowView, MainWindowLeavesTheBandWhileOpenAndEveryWayOfClosingPutsItBack) {
  ASSERT_TRUE(MainOnTop());
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    AboutWindow about(env, mainHandle, &main);
    about.ShowLoaded();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    ASSERT_FALSE(MainOnTop());
    if (way == 0) QTest::keyClick(&about, Qt::Key_Escape);
    if (way == 1) about.close();  // the title bar's close button
    if (way == 2) QTest::mouseClick(about.closeButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !about.isVisible(); }));
    EXPECT_TRUE(MainOnTop());
  }
}

}  // namespace
}  // namespace tavrel::qt
