#include "gui/qt/AboutWindow.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"
#include "gui/qt/QtDesktop.h"
#include "gui/qt/QtWindowManager.h"
#include "gui/qt/Twips.h"

namespace tavrel::qt {
namespace {

class AboutWindowView : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI";
    QtDesktop::interceptOpen = [this](const std::string&, const std::string& target) {
      opened.push_back(target);
      return true;
    };
    main.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    main.setGeometry(100, 100, 418, 245);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  }

  static bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 2000); }
  bool MainOnTop() const {
    return main.windowHandle() && (main.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  }

  fakes::FakeEnv f;
  QtDesktop desktop{"Tavrel"};
  QtWindowManager wm;
  Env env{f.env.app, desktop,       f.clock,   f.fs,         f.profile, f.registry, f.connection,
          f.phonebook, f.tcp,       f.addresses, f.sockets,  f.downloader, wm,     f.style};
  QWidget main;
  WindowHandle mainHandle = wm.Register(&main);
  std::vector<std::string> opened;
};

TEST_F(AboutWindowView, DesignAt96Dpi) {
  AboutWindow about(env, mainHandle, &main);
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(about.size(), QSize(417, 306));
  EXPECT_EQ(about.palette().color(QPalette::Window), QColor(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(about.banner()->geometry(), QRect(0, 0, 418, 59));
  EXPECT_FALSE(about.banner()->pixmap().isNull());
  const char* captions[] = {"Version", "Build", "Author", "Homepage", "Licence"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(about.rowLabel(i)->text(), QString::fromLatin1(captions[i]));
    EXPECT_EQ(about.rowLabel(i)->geometry().topLeft(), QPoint(64, 80 + 16 * i));
    EXPECT_EQ(about.rowValue(i)->x(), 160);
  }
  EXPECT_EQ(about.notice()->geometry(), QRect(8, 280, 257, 17));
  EXPECT_EQ(about.closeButton()->text(), QStringLiteral("&Close"));
  EXPECT_EQ(about.closeButton()->geometry(), QRect(336, 280, 73, 17));
  EXPECT_EQ(about.disclaimer()->geometry(), QRect(40, 184, 329, 73));
}

TEST_F(AboutWindowView, TextsAreShownWhole) {
  AboutWindow about(env, mainHandle, &main);
  about.ShowLoaded();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  for (int i = 0; i < 5; ++i) {
    for (QLabel* l : {about.rowLabel(i), about.rowValue(i)}) {
      EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->width()) << l->text().toStdString();
    }
  }
  EXPECT_LE(QFontMetrics(about.notice()->font()).horizontalAdvance(about.notice()->text()),
            about.notice()->width());
  // The disclaimer fits its box without scrolling.
  EXPECT_EQ(about.disclaimer()->verticalScrollBar()->maximum(), 0);
  about.close();
}

TEST_F(AboutWindowView, RowsReadTheProgramsVersionInformation) {
  AboutWindow about(env, mainHandle, &main);
  about.ShowLoaded();
  EXPECT_EQ(about.rowValue(0)->text(), QStringLiteral("1.0"));
  EXPECT_EQ(about.rowValue(1)->text(), QStringLiteral("1"));
  EXPECT_EQ(about.rowValue(2)->text().toStdString(), env.app.company);
  EXPECT_EQ(about.rowValue(3)->text().toStdString(), env.app.homePage);
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
  QTest::mouseMove(about.windowHandle(), about.notice()->mapTo(&about, QPoint(30, 8)));
  QApplication::processEvents();
  EXPECT_TRUE(about.notice()->font().underline());
  QTest::mouseMove(about.windowHandle(), QPoint(300, 100));
  EXPECT_TRUE(WaitFor([&] { return !about.notice()->font().underline(); }));

  QTest::mouseClick(about.notice(), Qt::LeftButton, {}, QPoint(20, 8));
  EXPECT_EQ(opened, std::vector<std::string>{env.app.homePage});
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
    if (way == 1) about.close();  // the title bar's close button
    if (way == 2) QTest::keyClick(&about, Qt::Key_Return);  // "&Close" is the default button
    if (way == 3) QTest::mouseClick(about.closeButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !about.isVisible(); }));
    EXPECT_TRUE(MainOnTop());
  }
}

TEST_F(AboutWindowView, ShownModallyItReturnsOnceClosed) {
  AboutWindow about(env, mainHandle, &main);
  QTimer poll;
  bool wasModal = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QApplication::activeModalWidget() != &about) return;
    wasModal = true;
    EXPECT_FALSE(MainOnTop());
    about.closeButton()->click();
  });
  poll.start(10);
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [&] { about.close(); });
  watchdog.start(5000);
  about.ShowModal();
  EXPECT_TRUE(wasModal);
  EXPECT_TRUE(MainOnTop());
}

}  // namespace
}  // namespace tavrel::qt
