#include "gui/qt/MainWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>

#include "fakes/FakeEnv.h"
#include "gui/qt/Twips.h"

namespace tavrel::qt {
namespace {

class MainWindowView : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI"; }
  fakes::FakeEnv f;
  QtWindowManager wm;
  MainWindow w{f.env, wm};
};

TEST_F(MainWindowView, ButtonsCarryTheirTooltipsAndPictures) {
  const std::pair<const char*, const char*> tips[] = {{"imgToggle", "Toggle log/connections display"},
                                                      {"imgSettings", "Settings"},
                                                      {"imgInfo", "Help"},
                                                      {"imgMinimize", "Send to tray"},
                                                      {"imgExit", "Close Tavrel"}};
  for (const auto& [name, tip] : tips) {
    ImageButton* b = w.button(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->toolTip(), QString::fromLatin1(tip));
    EXPECT_FALSE(b->pixmap().isNull()) << name << " has no picture";
  }
  EXPECT_FALSE(w.banner()->pixmap().isNull());
}

// The toggle button's click reaches the behaviour, which shows the list with its rows and the
// activity view with the behaviour's text; a header click sorts by that column.
TEST_F(MainWindowView, TheToggleButtonAndTheHeaderReachTheBehaviourAndItsOutputTheScreen) {
  w.show();
  EXPECT_TRUE(w.activityView()->isVisible()) << "the activity view from the first paint on";
  EXPECT_FALSE(w.listView()->isVisible());
  w.form().Form_Load();
  EXPECT_EQ(w.activityView()->Lines(), w.form().txtConnection.Text());
  auto& list = w.form().ListView1;
  list.Add({"10.0.0.1", "9", "1.1.1.1", "1", "5", "Established"});
  list.Add({"10.0.0.1", "10", "1.1.1.1", "1", "5", "Established"});
  QTest::mouseClick(w.button("imgToggle"), Qt::LeftButton);
  EXPECT_FALSE(w.activityView()->isVisible());
  ASSERT_TRUE(w.listView()->isVisible());
  EXPECT_EQ(w.listView()->model()->rowCount(), 2);
  QApplication::processEvents();
  const int x = w.listView()->header()->sectionViewportPosition(1) + 5;
  QTest::mouseClick(w.listView()->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  // The first click sorts descending by text: "9" before "10".
  EXPECT_EQ(w.listView()->model()->index(0, 1).data().toString(), QStringLiteral("9"));
  QTest::mouseClick(w.listView()->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_EQ(w.listView()->model()->index(0, 1).data().toString(), QStringLiteral("10"));
  QTest::mouseClick(w.button("imgToggle"), Qt::LeftButton);
  EXPECT_TRUE(w.activityView()->isVisible());
}

TEST_F(MainWindowView, RestoringAfterAMinimiseAppliesTheResizeRule) {
  w.show();
  w.resize(500, 300);
  QApplication::processEvents();
  w.activityView()->resize(10, 10);
  w.listView()->resize(10, 10);
  w.showMinimized();
  QApplication::processEvents();
  w.showNormal();
  QApplication::processEvents();
  EXPECT_EQ(w.activityView()->width(), 500);
  EXPECT_EQ(w.activityView()->height(), Px(Tw(300) - 880));
  EXPECT_EQ(w.listView()->size(), w.activityView()->size());
}

// The offscreen platform offers no interactive move, like a desktop without a window manager:
// the window follows the mouse itself while the button that was pressed is held, and StartMove
// returns when that button is let go.
TEST(WindowMove, WithoutTheWindowManagersMoveTheWindowFollowsTheHeldButtonUntilItsRelease) {
  QWidget w;
  w.setGeometry(100, 100, 200, 100);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QtWindowManager wm;
  const WindowHandle h = wm.Register(&w);
  const QPoint before = w.pos();
  QCursor::setPos(150, 120);
  QTest::mousePress(w.windowHandle(), Qt::RightButton, {}, QPoint(50, 20));
  QPoint whileHeld;
  QTimer::singleShot(0, &w, [&] {
    QCursor::setPos(250, 170);
    QTest::mouseMove(w.windowHandle(), QPoint(150, 70));
    whileHeld = w.pos();
    QTest::mouseRelease(w.windowHandle(), Qt::RightButton, {}, QPoint(150, 70));
  });
  EXPECT_EQ(wm.StartMove(h), "");
  EXPECT_EQ(whileHeld, before + QPoint(100, 50));
  QCursor::setPos(400, 400);
  QTest::mouseMove(w.windowHandle(), QPoint(10, 10));
  EXPECT_EQ(w.pos(), before + QPoint(100, 50)) << "the move ended with the release";
  EXPECT_EQ(wm.StartMove(h), "") << "with no button held there is nothing to move";
  EXPECT_NE(wm.StartMove(0), "") << "a handle that names no window says so";
}

}  // namespace
}  // namespace tavrel::qt
