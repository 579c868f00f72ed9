#include "gui/qt/MenuWindow.h"

#include <QApplication>
#include <QPointer>
#include <QFontMetrics>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"
#include "gui/qt/AboutWindow.h"
#include "gui/qt/QtDesktop.h"
#include "gui/qt/Twips.h"
#include "gui/qt/UpdateWindow.h"

namespace tavrel::qt {
namespace {

// The real desktop services and window manager over the fake file system and probe: boxes are
// answered and pages recorded through QtDesktop's test hooks.
class MenuWindowView : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI";
    QtDesktop::answerBoxes = [this](const std::string& text, int code, const std::string& caption) {
      boxes.push_back({text, code, caption});
      return answer;
    };
    QtDesktop::interceptOpen = [this](const std::string&, const std::string& target) {
      opened.push_back(target);
      return true;
    };
    main.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    main.setGeometry(100, 100, 418, 245);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    // What the info button does before it opens the menu.
    timer.SetEnabled(false);
    wm.ClearTopMost(mainHandle);
  }

  void Open() {
    menu.ShowAt(6060, 3000);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
  }
  bool MainOnTop() const {
    return main.windowHandle() && (main.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  }
  // A press and release on the main window, delivered as the window system delivers it.
  void ClickOnMain(QPoint p) {
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, p);
  }
  // The mouse moves over the menu, at a point of one of its controls or of the menu itself.
  void MoveOver(QWidget* w, QPoint p) {
    QTest::mouseMove(menu.windowHandle(), w == &menu ? p : w->mapTo(&menu, p));
  }
  static bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 2000); }
  void NotOnline() {
    f.connection.flags = 0;
    f.connection.result = 0;
    f.connection.aliveResult = 0;
  }

  fakes::FakeEnv f;
  QtDesktop desktop{"Tavrel"};
  QtWindowManager wm;
  Env env{f.env.app, desktop,       f.clock,   f.fs,         f.profile, f.registry, f.connection,
          f.phonebook, f.tcp,       f.addresses, f.sockets,  f.downloader, wm,     f.style};
  QWidget main;
  WindowHandle mainHandle = wm.Register(&main);
  QtTimer timer{3000, [] {}};
  MenuWindow menu{env, wm, timer, mainHandle};

  std::vector<fakes::Box> boxes;
  int answer = mb::kOk;
  std::vector<std::string> opened;
};

const std::string kServer = "http://updates.test:8080";

TEST_F(MenuWindowView, ControlsSitWhereTheLayoutPutsThemAt96Dpi) {
  EXPECT_EQ(menu.size(), QSize(169, 188));
  EXPECT_TRUE(menu.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(menu.windowType(), Qt::Popup);
  const int tops[] = {16, 48, 72, 104, 128, 160};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(menu.item(i)->geometry(), QRect(56, tops[i], 121, 17)) << i;
    auto* icon = menu.findChild<QWidget*>(QStringLiteral("Image1_%1").arg(i));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->geometry(), QRect(32, tops[i], 16, 16));
  }
  EXPECT_EQ(menu.closeImage()->geometry(), QRect(152, 0, 17, 17));
  EXPECT_EQ(menu.closeImage()->toolTip(), QStringLiteral("Close menu"));
  EXPECT_EQ(menu.findChild<QWidget*>(QStringLiteral("Line2"))->geometry(), QRect(32, 96, 136, 1));
  EXPECT_EQ(menu.findChild<QWidget*>(QStringLiteral("Image2"))->geometry(), QRect(0, 0, 21, 188));
  EXPECT_EQ(menu.highlightBar()->geometry(), QRect(24, -27, 151, 17)) << "no item highlighted at first";
}

TEST_F(MenuWindowView, ItemsShowTheirCaptionsWholeWithTooltipsHandPointerAndPictures) {
  const char* tips[] = {"Contents ...", "About Tavrel", "Tavrel Homepage", "Feedback", "Report Bug",
                        "Check for update"};
  for (int i = 0; i < 6; ++i) {
    QLabel* l = menu.item(i);
    EXPECT_EQ(l->toolTip(), QString::fromLatin1(tips[i]));
    EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_DOUBLE_EQ(l->font().pointSizeF(), 9.75);
    EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->width())
        << l->text().toStdString() << " is cut off in " << QFontInfo(l->font()).family().toStdString();
    auto* icon = menu.findChild<ImageButton*>(QStringLiteral("Image1_%1").arg(i));
    EXPECT_FALSE(icon->pixmap().isNull()) << i;
  }
  EXPECT_FALSE(menu.highlightBar()->pixmap().isNull());
  EXPECT_FALSE(menu.closeImage()->pixmap().isNull());
}

TEST_F(MenuWindowView, ShownAtTheScreenPointGiven) {
  Open();
  EXPECT_EQ(menu.pos(), QPoint(404, 200));
  EXPECT_TRUE(menu.IsOpen());
}

TEST_F(MenuWindowView, ClickingOutsideClosesItAndLeavesTheMonitorOffWithoutAnEntry) {
  Open();
  ClickOnMain(QPoint(10, 200));
  ASSERT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(MainOnTop());
}

TEST_F(MenuWindowView, ClickingOutsideWithAnEntryRestartsTheMonitor) {
  f.Save("Settings", "ConID", "x");
  Open();
  ClickOnMain(QPoint(10, 200));
  ASSERT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
  EXPECT_TRUE(timer.Enabled());
  EXPECT_TRUE(MainOnTop());
}

TEST_F(MenuWindowView, EscapeAndTheCloseImageCloseItToo) {
  f.Save("Settings", "ConID", "x");
  Open();
  QTest::keyClick(&menu, Qt::Key_Escape);
  ASSERT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
  EXPECT_TRUE(timer.Enabled());

  timer.SetEnabled(false);
  Open();
  QTest::mouseClick(menu.closeImage(), Qt::LeftButton);
  EXPECT_FALSE(menu.isVisible());
  EXPECT_TRUE(timer.Enabled());
}

TEST_F(MenuWindowView, UnloadingAClosedMenuDoesNothing) {
  f.Save("Settings", "ConID", "x");
  menu.Unload();
  EXPECT_FALSE(timer.Enabled());
  EXPECT_FALSE(MainOnTop());
}

TEST_F(MenuWindowView, HoverBarFollowsTheItemAndHidesOnTheBackground) {
  Open();
  const auto barAt = [&](int y) { return WaitFor([&] { return menu.highlightBar()->y() == y; }); };
  MoveOver(menu.item(3), QPoint(20, 8));
  EXPECT_TRUE(barAt(104));
  MoveOver(menu.item(0), QPoint(20, 8));
  EXPECT_TRUE(barAt(16));
  // The picture strip, an icon and a separator line change nothing.
  MoveOver(&menu, QPoint(10, 100));
  MoveOver(&menu, QPoint(40, 56));
  MoveOver(&menu, QPoint(100, 40));
  QApplication::processEvents();
  EXPECT_EQ(menu.highlightBar()->y(), 16);
  // The background between the items hides it.
  MoveOver(&menu, QPoint(120, 42));
  EXPECT_TRUE(barAt(Px(-2000)));
  EXPECT_TRUE(menu.isVisible());
}

TEST_F(MenuWindowView, ContentsWithoutHelpFileAsksNoOpensNothingYesOpensTheProductPage) {
  Open();
  answer = mb::kNo;
  QTest::mouseClick(menu.item(menu::kContents), Qt::LeftButton);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Help files not present, would you like to view the online documentation?");
  EXPECT_EQ(boxes[0].code, 36);
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(menu.isVisible());

  answer = mb::kYes;
  QTest::mouseClick(menu.item(menu::kContents), Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>{kServer + "/?mode=Products&p=tavrel"});
  EXPECT_FALSE(menu.isVisible());
}

TEST_F(MenuWindowView, StateSevenWarnsAndOpensNothingStateSixOpensThePage) {
  NotOnline();
  Open();
  QTest::mouseClick(menu.item(menu::kRepBug), Qt::LeftButton);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Please make sure you are connected to the internet first");
  EXPECT_EQ(boxes[0].code, 48);
  EXPECT_EQ(boxes[0].caption, "Tavrel");
  EXPECT_TRUE(opened.empty());
  EXPECT_FALSE(menu.isVisible());

  f.connection.flags = INTERNET_RAS_INSTALLED;  // not online, remote access installed: 6
  Open();
  QTest::mouseClick(menu.item(menu::kRepBug), Qt::LeftButton);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(opened, std::vector<std::string>{kServer + "/?mode=Contact&sub-mode=csupport"});
}

TEST_F(MenuWindowView, UpdateItemOpensTheUpdateWindowWhichTakesTheFocusAndSoClosesTheMenu) {
  f.Save("Settings", "ConID", "x");
  Open();
  QTest::mouseClick(menu.item(menu::kUpdate), Qt::LeftButton);
  QPointer<UpdateWindow> update = UpdateWindow::Current();
  ASSERT_NE(update, nullptr);
  EXPECT_TRUE(update->isVisible());
  EXPECT_EQ(update->parentWidget(), nullptr) << "no owner";
  EXPECT_FALSE(update->isModal());
  EXPECT_TRUE(WaitFor([&] { return !menu.isVisible(); }));
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_TRUE(timer.Enabled());
  update->close();
  EXPECT_TRUE(WaitFor([&] { return update.isNull(); }));
}

// The about window replaces the menu: the menu's closing steps run first, and the main window
// stays out of the band until the about window closes.
TEST_F(MenuWindowView, AboutClosesTheMenuAndKeepsTheMainWindowOutOfTheBandWhileOpen) {
  f.Save("Settings", "ConID", "x");
  Open();
  bool sawAbout = false, mainOnTopMeanwhile = true, menuVisibleMeanwhile = true;
  QTimer poll;  // runs inside the about window's modal loop
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
    if (!about || sawAbout) return;
    sawAbout = true;
    mainOnTopMeanwhile = MainOnTop();
    menuVisibleMeanwhile = menu.isVisible();
    QTest::mouseClick(about->closeButton(), Qt::LeftButton);
  });
  poll.start(10);
  QTimer watchdog;  // never hang: close whatever modal window is left
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  watchdog.start(5000);
  QTest::mouseClick(menu.item(menu::kAbout), Qt::LeftButton);
  EXPECT_TRUE(sawAbout);
  EXPECT_FALSE(menuVisibleMeanwhile);
  EXPECT_FALSE(mainOnTopMeanwhile);
  EXPECT_TRUE(MainOnTop());
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(menu.IsOpen());
}

}  // namespace
}  // namespace tavrel::qt
