#include "gui/qt/UpdateWindow.h"

#include <QTest>
#include <QTimer>

#include "ProgramOnDesktop.h"
#include "gui_qt/UpdateServer.h"

namespace tavrel::wmtest {
namespace {

using namespace std::chrono_literals;
using qt::UpdateWindow;

class UpdateWindowOnDesktop : public ProgramOnDesktop {
 protected:
  // Opens the update window as the menu does; onScreen: waits until the window manager shows it.
  UpdateWindow* Open(bool onScreen) {
    UpdateWindow* w = main->updates().Open();
    if (onScreen) {
      EXPECT_TRUE(WaitUntil([&] { return w->windowHandle() && w->windowHandle()->isExposed(); }));
    }
    return w;
  }
  bool Close(UpdateWindow* w) {
    w->close();
    return WaitUntil([&] { return main->updates().Current() == nullptr; });
  }
  static constexpr const char* kKeys[] = {"XfrmUpdate", "YfrmUpdate", "WfrmUpdate", "HfrmUpdate"};
  std::vector<std::string> Stored() {
    std::vector<std::string> v;
    for (const char* k : kKeys) v.push_back(f.Get("Settings", k));
    return v;
  }
  // Where the default placement puts the window: 6390 x 4425 twips, centred as if it had the main
  // window's size (15360 / 2 - 6270 / 2 = 4545, 11520 / 2 - 3675 / 2 = 3922.5).
  const std::vector<std::string> kDefault{"4545", "3922.5", "6390", "4425"};
  const QRect kDefaultPixels{303, 262, 426, 295};
};

// Stored left of every screen, out of the user's reach, the window opens at the default placement.
// Some openings close at once, before the window manager has told the window's frame, the others
// once the window is on screen; a move in between is stored once and then kept.
TEST_F(UpdateWindowOnDesktop, TwentyOpenAndCloseCyclesKeepTheStoredPlacement) {
  const char* unreachable[] = {"-30000", "1500", "6390", "4425"};
  for (int i = 0; i < 4; ++i) f.Save("Settings", kKeys[i], unreachable[i]);
  std::vector<std::string> want = kDefault;
  QRect wantPixels = kDefaultPixels;
  for (int cycle = 0; cycle < 20; ++cycle) {
    SCOPED_TRACE(cycle);
    const bool onScreen = cycle % 4 != 1;
    UpdateWindow* w = Open(onScreen);
    if (onScreen) {
      EXPECT_TRUE(WaitUntil([&] { return FrameOf(w) == wantPixels; }))
          << "outer bounds on screen: " << testing::PrintToString(FrameOf(w));
    }
    if (cycle == 10) {
      wantPixels.translate(40, -30);
      w->move(wantPixels.topLeft());  // moved: the window manager puts the frame's corner there
      ASSERT_TRUE(WaitUntil([&] { return FrameOf(w) == wantPixels; }));
      want = {std::to_string(qt::Tw(wantPixels.x())), std::to_string(qt::Tw(wantPixels.y())), want[2], want[3]};
    }
    ASSERT_TRUE(Close(w));
    EXPECT_EQ(Stored(), want);
  }
}

// The check against a server on 127.0.0.1 that holds its answer until the test lets it go, with
// the real file system and downloader: the window shows its progress meanwhile, but the monitor's
// ticks (due every 250 ms here) wait until the check is over.
class SlowServerOnDesktop : public UpdateWindowOnDesktop {
 protected:
  std::unique_ptr<Env> MakeEnv() override {
    web.replies[web.kVersionPath] = testhttp::Body("Tavrel 1.0.2 is out");
    web.heldPath = web.kVersionPath;
    return web.MakeEnv(f, desktop, wm, style);
  }
  void TearDown() override {
    web.LetGo();
    ProgramOnDesktop::TearDown();
  }
  qt::UpdateServer web;
};

TEST_F(SlowServerOnDesktop, NoMonitorTickRunsDuringTheCheckAndTheTicksGoOnAfterIt) {
  desktop.realBoxes = false;
  UpdateWindow* w = Open(true);
  TickEvery(250);
  ASSERT_TRUE(WaitUntil([&] { return Ticks() > 2; })) << "the monitor ticks";

  // Samples taken by a timer, which runs while the transfer lets events run. The server answers
  // once the progress has shown for 50 samples, at least a second: four ticks would have been due.
  int samples = 0, firstTicks = -1, lastTicks = -1;
  QTimer sample;
  QObject::connect(&sample, &QTimer::timeout, [&] {
    if (!w->progress()->isVisible()) return;
    if (firstTicks < 0) firstTicks = Ticks();
    lastTicks = Ticks();
    if (++samples == 50) web.LetGo();
  });
  sample.start(20);
  // Clicked from the test itself: a click of the user's that arrives while a tick lets events run
  // starts the check inside that tick, whose timer cannot fire again until it ends, held or not.
  QTest::mouseClick(w->lblCheck(), Qt::LeftButton);
  ASSERT_EQ(desktop.boxes.size(), 1u);
  EXPECT_EQ(desktop.boxes[0].text, "Update available");
  EXPECT_GE(samples, 50) << "the window went on with its progress";
  EXPECT_EQ(lastTicks, firstTicks) << "no tick inside the check";
  const int after = Ticks();
  EXPECT_TRUE(WaitUntil([&] { return Ticks() > after + 2; })) << "ticks go on after it";
  w->close();
}

}  // namespace
}  // namespace tavrel::wmtest
