#include <QApplication>
#include <QHeaderView>
#include <algorithm>
#include <thread>

#include "ProgramOnDesktop.h"
#include "gui/qt/SettingsWindow.h"

namespace tavrel::wmtest {
namespace {

using namespace std::chrono_literals;

// The other program keeps the focus and every key typed into it, while the main window ticks,
// stays above it and stays where it was put (away from the centre, where an activation would put it).
TEST_F(ProgramOnDesktop, AnotherProgramKeepsTheFocusWhileTheMonitorTicksOnline) {
  main->move(500, 300);
  const QRect placed(500, 300, 418, 245);
  ASSERT_TRUE(WaitUntil([&] { return MainFrame() == placed; }));
  OtherProgram other;
  ASSERT_TRUE(other.Start({300, 420, 420, 200})) << "the other program takes the focus";
  TickEvery(250);
  const int ticksBefore = Ticks();
  const std::string typed = "typed beside Tavrel";
  bool focusKept = true, placeKept = true;
  ASSERT_TRUE(RunAsUser([&](XState& ux) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    for (std::size_t next = 0; std::chrono::steady_clock::now() < end;) {
      if (next < typed.size()) Xdo({"type", typed.substr(next++, 1)});
      focusKept = focusKept && ux.InputFocus() == other.window() && ux.ActiveWindow() == other.window();
      placeKept = placeKept && ux.Frame(mainId) == placed;
      std::this_thread::sleep_for(250ms);  // the user's pace
    }
  }));
  EXPECT_GE(Ticks() - ticksBefore, 10) << "the monitor ticked meanwhile";
  EXPECT_TRUE(focusKept);
  EXPECT_TRUE(placeKept);
  const auto stack = x.Stacking();
  const auto at = [&](XWindow w) { return std::find(stack.begin(), stack.end(), w) - stack.begin(); };
  EXPECT_GT(at(mainId), at(other.window())) << "the main window stays above the other program's";
  EXPECT_EQ(other.Finish(), typed) << "every key went to the other program";
}

// Each drag presses a button on the banner (away from its buttons), takes the pointer elsewhere and
// lets go; DragForm returns once the button is up, and the window stays where the drag left it.
TEST_F(ProgramOnDesktop, BannerDragsWithTheLeftThenTheRightButtonLeaveTheWindowWhereEachEnded) {
  std::atomic<int> presses{0}, returns{0};
  PressWatch watch(main->banner(), presses);
  // Connected after the main window's own handler: counts when DragForm has returned.
  QObject::connect(main->banner(), &qt::ImageButton::pressed, main, [&] { ++returns; });
  TickEvery(250);
  QRect ended;
  ASSERT_TRUE(RunAsUser([&](XState& ux) {
    const std::pair<int, QPoint> drags[] = {{1, {-200, -150}}, {3, {150, 200}}};
    QRect from = ux.Frame(mainId);
    for (int i = 0; i < 2; ++i) {
      const auto [button, by] = drags[i];
      SCOPED_TRACE(button);
      const QPoint grip = from.topLeft() + QPoint(100, 30);
      MouseTo(grip);
      MouseDown(button);
      ASSERT_TRUE(Poll([&] { return presses == i + 1; }));
      const QRect wanted = from.translated(by);
      ASSERT_TRUE(PointerDrags(grip + by, [&] { return ux.Frame(mainId) == wanted; })) << "the window follows";
      EXPECT_EQ(returns, i) << "DragForm returns only when the move has ended";
      MouseUp(button);
      EXPECT_TRUE(Poll([&] { return returns == i + 1; }));
      // After the release the pointer goes on alone.
      MouseTo(grip + by + QPoint(60, 40));
      EXPECT_FALSE(Poll([&] { return ux.Frame(mainId) != wanted; }, 700ms)) << "the move ended with the release";
      from = ended = wanted;
    }
  }));
  // Ticks, and the focus coming back to the window after the window manager's move.
  WaitUntil([] { return false; }, 1s);
  EXPECT_EQ(MainFrame(), ended) << "no snapping back to the centre";
  EXPECT_TRUE(main->isActiveWindow());
  // The window takes clicks as before: the toggle button shows the connection list.
  ClickAt(ended.topLeft() + main->button("imgToggle")->geometry().center());
  EXPECT_TRUE(WaitUntil([&] { return main->listView()->isVisible(); }));
}

// Taking over from another of the program's windows or boxes puts the main window back in the
// centre, where its first activation put it; opening them moves nothing.
TEST_F(ProgramOnDesktop, TheMainWindowCentresWhenItTakesOverFromTheProgramsOwnWindowsAndBoxes) {
  ASSERT_EQ(MainFrame().topLeft(), kCentre);
  ASSERT_TRUE(PutMainAt({40, 40}));
  ClickOn(main->button("imgSettings"));
  QWidget* settings = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (settings = qobject_cast<qt::SettingsWindow*>(QApplication::activeWindow())); }));
  EXPECT_EQ(MainFrame().topLeft(), QPoint(40, 40));
  ClickOn(static_cast<qt::SettingsWindow*>(settings)->control("Label3"));  // "Close"
  EXPECT_TRUE(WaitUntil([&] { return main->isActiveWindow() && MainFrame().topLeft() == kCentre; }));

  // The monitor's box when no account is set and the machine is not connected.
  ASSERT_TRUE(PutMainAt({40, 40}));
  f.Save("Settings", "ConID", "");
  f.connection.result = 0;
  TickEvery(100);
  ASSERT_TRUE(RunAsUser([&](XState& ux) {
    ASSERT_TRUE(Poll([&] { return ux.Title(ux.ActiveWindow()) == "Tavrel Monitor Disabled"; }));
    EXPECT_EQ(ux.Frame(mainId).topLeft(), QPoint(40, 40));
    Xdo({"key", "Return"});
  }));
  EXPECT_TRUE(WaitUntil([&] { return main->isActiveWindow() && MainFrame().topLeft() == kCentre; }));
  EXPECT_EQ(f.Get("Temp", "1"), "GD");
}

// The user widens the first column of the connection table by its header; the online ticks that
// refresh the table leave it as wide.
TEST_F(ProgramOnDesktop, AWidenedColumnKeepsItsWidthAcrossOnlineTicks) {
  f.tcp.rows = {MibTcpRow{5, 0x0100007f, 0x5000, 0x0100007f, 0x1234}};
  ClickOn(main->button("imgToggle"));
  ASSERT_TRUE(WaitUntil([&] { return main->listView()->isVisible(); }));
  QHeaderView* header = main->listView()->header();
  const int before = header->sectionSize(0);
  const QPoint edge =
      header->viewport()->mapToGlobal(QPoint(header->sectionViewportPosition(1) - 1, header->height() / 2));
  MouseTo(edge);
  MouseDown(1);
  MouseTo(edge + QPoint(40, 0));
  MouseTo(edge + QPoint(80, 0));
  MouseUp(1);
  ASSERT_TRUE(WaitUntil([&] { return header->sectionSize(0) == before + 80; })) << header->sectionSize(0);
  TickEvery(200);
  const int ticks = Ticks();
  ASSERT_TRUE(WaitUntil([&] { return Ticks() >= ticks + 3; }));
  EXPECT_EQ(header->sectionSize(0), before + 80);
  EXPECT_EQ(main->listView()->model()->rowCount(), 1) << "the ticks refreshed the table";
}

}  // namespace
}  // namespace tavrel::wmtest
