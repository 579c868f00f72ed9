#include "gui/qt/MenuWindow.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include "OverMainWindow.h"
#include "gui/qt/AboutWindow.h"
#include "gui/qt/UpdateWindow.h"

namespace tavrel::qt {
namespace {

const std::string kServer = "http://updates.test:8080";

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
  void Click(int item) { QTest::mouseClick(menu.item(item), Qt::LeftButton); }
  // The mouse moves over the menu, at a point of one of its controls or of the menu itself.
  void MoveOver(QWidget* w, QPoint p) { QTest::mouseMove(menu.windowHandle(), w == &menu ? p : w->mapTo(&menu, p)); }

  QtTimer timer{3000, [] {}};
  Operations operations;
  UpdateWindowOpener updates{env, wm, mainHandle, operations};
  MenuWindow menu{env, wm, timer, mainHandle, updates};
};

// One layout sample; every item shown whole with its icon; no item highlighted at first.
TEST_F(MenuWindowView, LayoutSampleAndEveryItemShownWhole) {
  EXPECT_EQ(menu.size(), QSize(169, 188));
  EXPECT_EQ(menu.windowType(), Qt::Dialog);
  EXPECT_EQ(menu.item(menu::kRepBug)->geometry(), QRect(56, 128, 121, 17));
  EXPECT_EQ(menu.item(menu::kRepBug)->toolTip(), QStringLiteral("Report Bug"));
  for (int i = 0; i < 6; ++i) {
    const QLabel* l = menu.item(i);
    EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->width())
        << l->text().toStdString() << " is cut off in " << QFontInfo(l->font()).family().toStdString();
  }
  // The icons as the image array numbers them, each beside its item.
  const int beside[] = {menu::kContents, menu::kAbout, menu::kHomepage, menu::kRepBug, menu::kFeedback, menu::kUpdate};
  for (int n = 0; n < 6; ++n) {
    auto* icon = menu.findChild<ImageButton*>(QStringLiteral("Image1_%1").arg(n));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull()) << n;
    EXPECT_EQ(icon->y(), menu.item(beside[n])->y()) << n;
  }
  EXPECT_FALSE(menu.closeImage()->pixmap().isNull());
  EXPECT_EQ(menu.highlightBar()->y(), -27) << "no item highlighted at first";
}

// Each way of dismissing it reaches the closing steps (which restart the monitor, an entry being
// stored); unloading a closed menu does nothing.
TEST_F(MenuWindowView, AnotherWindowEscapeAndCloseImageCloseIt) {
  f.Save("Settings", "ConID", "x");
  menu.Unload();
  EXPECT_FALSE(timer.Enabled()) << "unloading a closed menu does nothing";

  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"another window takes the focus", [&] { main.activateWindow(); }},
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

// The items, not the pictures and lines, bring the bar to them; the background hides it.
TEST_F(MenuWindowView, HoverBarFollowsTheItemAndHidesOnTheBackground) {
  Open();
  const auto barAt = [&](int y) { return WaitFor([&] { return menu.highlightBar()->y() == y; }); };
  MoveOver(menu.item(3), QPoint(20, 8));
  EXPECT_TRUE(barAt(104));
  MoveOver(&menu, QPoint(10, 100));  // the picture strip
  MoveOver(&menu, QPoint(40, 56));   // an icon
  MoveOver(&menu, QPoint(100, 40));  // a line
  QApplication::processEvents();
  EXPECT_EQ(menu.highlightBar()->y(), 104);
  MoveOver(&menu, QPoint(120, 42));
  EXPECT_TRUE(barAt(Px(-2000)));
}

TEST_F(MenuWindowView, ContentsWithoutHelpFileAsksAndYesOpensTheProductPage) {
  Open();
  answer = mb::kYes;
  Click(menu::kContents);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Help files not present, would you like to view the online documentation?");
  EXPECT_EQ(boxes[0].code, 36);
  EXPECT_EQ(boxes[0].caption, "Tavrel");
  EXPECT_EQ(opened, std::vector<std::string>{kServer + "/?mode=Products&p=tavrel"});
  EXPECT_FALSE(menu.isVisible());
}

TEST_F(MenuWindowView, UpdateItemOpensTheUpdateWindowWhichTakesTheFocusAndSoClosesTheMenu) {
  f.Save("Settings", "ConID", "x");
  Open();
  Click(menu::kUpdate);
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

// The modal about window keeps the main window out of the band while it is open. Closed by the
// desktop meanwhile, the menu takes its about window with it, and its closing steps run.
TEST_F(MenuWindowView, AboutKeepsTheMainWindowOutOfTheBandAndGoesWithTheMenu) {
  f.Save("Settings", "ConID", "x");
  Open();
  bool sawAbout = false, mainOnTopMeanwhile = true, menuVisibleMeanwhile = true, aboutStayed = true;
  QTimer poll;  // runs inside the about window's modal loop
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
    if (!about || sawAbout) return;
    sawAbout = true;
    mainOnTopMeanwhile = MainOnTop();
    menuVisibleMeanwhile = menu.isVisible();
    menu.close();
    aboutStayed = about->isVisible();
  });
  poll.start(10);
  QTimer watchdog;  // never hang: close whatever modal window is left
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  watchdog.start(5000);
  Click(menu::kAbout);
  EXPECT_TRUE(sawAbout);
  EXPECT_TRUE(menuVisibleMeanwhile);
  EXPECT_FALSE(mainOnTopMeanwhile);
  EXPECT_FALSE(aboutStayed);
  EXPECT_TRUE(MainOnTop());
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(menu.IsOpen());
}

}  // namespace
}  // namespace tavrel::qt
