#include "gui/qt/AboutWindow.h"

#include <QApplication>
#include <QScrollBar>

#include "OverMainWindow.h"

namespace tavrel::qt {
namespace {

using AboutWindowView = OverMainWindow;

bool Fits(const QLabel* l) { return QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->width(); }

// One layout sample; every row and the notice shown whole; the version rows 1.0, 1 and 1.5.
TEST_F(AboutWindowView, LayoutSampleAndTheRowsShownWhole) {
  AboutWindow about(env, mainHandle, &main);
  about.ShowLoaded();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  EXPECT_EQ(about.size(), QSize(417, 306));
  EXPECT_EQ(about.closeButton()->geometry(), QRect(336, 280, 73, 17));
  EXPECT_EQ(about.shape1()->geometry(), QRect(-8, 0, 425, 57));
  EXPECT_FALSE(about.banner()->pixmap().isNull());
  const std::vector<std::string> values = {"1.0", "1", env.app.company, env.app.homePage};
  for (int i = 0; i < 5; ++i) {
    if (i < 4) { EXPECT_EQ(about.rowValue(i)->text().toStdString(), values[i]); }
    EXPECT_TRUE(Fits(about.rowLabel(i)) && Fits(about.rowValue(i))) << i;
  }
  EXPECT_TRUE(Fits(about.notice()));
  EXPECT_EQ(about.disclaimer()->verticalScrollBar()->maximum(), 0) << "fits without scrolling";
  about.close();

  env.app.minor = 5;
  AboutWindow newer(env, mainHandle, &main);
  newer.ShowLoaded();
  EXPECT_EQ(newer.rowValue(0)->text(), QStringLiteral("1.5"));
  newer.close();
}

TEST_F(AboutWindowView, HoverUnderlinesTheNoticeAndAClickOpensTheHomePageWithoutClosing) {
  AboutWindow about(env, mainHandle, &main);
  about.ShowLoaded();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  EXPECT_FALSE(about.notice()->font().underline());
  EXPECT_EQ(about.notice()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(about.windowHandle(), about.notice()->mapTo(&about, QPoint(20, 8)));
  EXPECT_TRUE(WaitFor([&] { return about.notice()->font().underline(); }));
  // Over the other controls it stays; over the window's own background it goes.
  for (QWidget* other : std::initializer_list<QWidget*>{about.rowValue(0), about.rowLabel(2), about.disclaimer(),
                                                        about.closeButton(), about.banner()}) {
    QTest::mouseMove(about.windowHandle(), other->mapTo(&about, QPoint(10, 5)));
    QApplication::processEvents();
    EXPECT_TRUE(about.notice()->font().underline()) << other->objectName().toStdString();
  }
  QTest::mouseMove(about.windowHandle(), QPoint(20, 170));
  EXPECT_TRUE(WaitFor([&] { return !about.notice()->font().underline(); }));

  f.connection.flags = 0;  // not online: the about window does not test the connection
  QTest::mouseClick(about.notice(), Qt::LeftButton, {}, QPoint(20, 8));
  EXPECT_EQ(opened, std::vector<std::string>{env.app.homePage});
  EXPECT_EQ(f.connection.queries, 0);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(about.isVisible());
  about.close();
}

TEST_F(AboutWindowView, MainWindowLeavesTheBandWhileOpenAndEveryWayOfClosingPutsItBack) {
  ASSERT_TRUE(MainOnTop());
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    AboutWindow about(env, mainHandle, &main);
    about.ShowLoaded();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    ASSERT_FALSE(MainOnTop());
    if (way == 0) QTest::keyClick(&about, Qt::Key_Escape);
    if (way == 1) about.close();                            // the title bar's close button
    if (way == 2) QTest::keyClick(&about, Qt::Key_Return);  // "&Close" is the default button
    if (way == 3) QTest::mouseClick(about.closeButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !about.isVisible(); }));
    EXPECT_TRUE(MainOnTop());
  }
}

}  // namespace
}  // namespace tavrel::qt
