#include "gui/qt/UpdateWindow.h"

#include "ProgramOnDesktop.h"
#include "platform/linux/CurlDownloader.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform_linux/download_server.h"
#include "settings/ProfileFile.h"
#include "settings/modSettings.h"

#include <QTimer>
#include <filesystem>
#include <future>

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

// Some openings close at once, before the window manager has told the window's frame, the others
// once the window is on screen; a move in between is stored once and then kept.
TEST_F(UpdateWindowOnDesktop, TwentyOpenAndCloseCyclesKeepTheStoredPlacement) {
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

TEST_F(UpdateWindowOnDesktop, AStoredPlacementTheUserCannotReachOpensAtTheDefaultPlacement) {
  const std::vector<std::vector<std::string>> stored = {
      {"1500", "1500", "15", "15"},        // 1 x 1 pixel
      {"-30000", "1500", "6390", "4425"},  // left of every screen
      {"1500", "-600", "6390", "4425"},    // its title bar above the screen
  };
  for (const auto& s : stored) {
    SCOPED_TRACE(s[0] + " " + s[1] + " " + s[2] + " " + s[3]);
    for (int i = 0; i < 4; ++i) f.Save("Settings", kKeys[i], s[i]);
    UpdateWindow* w = Open(true);
    EXPECT_TRUE(WaitUntil([&] { return FrameOf(w) == kDefaultPixels; }));
    ASSERT_TRUE(Close(w));
    EXPECT_EQ(Stored(), kDefault);
  }
}

// The check against a server on 127.0.0.1 that holds its answer until the test lets it go, with
// the real file system and downloader: the window shows its progress meanwhile, but the monitor's
// ticks (due every 250 ms here) wait until the check is over.
class SlowServerOnDesktop : public UpdateWindowOnDesktop {
 protected:
  std::unique_ptr<Env> MakeEnv() override {
    char tmpl[] = "/tmp/tavrel-wm-update-XXXXXX";
    folder = ::mkdtemp(tmpl);
    AppInfo app = f.env.app;
    app.folder = folder;
    app.server = "127.0.0.1:" + std::to_string(server.Port());
    return std::make_unique<Env>(Env{app, desktop, f.clock, files, profile, f.registry, f.connection, f.phonebook,
                                     f.tcp, f.addresses, f.sockets, downloader, wm, style});
  }
  void TearDown() override {
    LetGo();
    ProgramOnDesktop::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  void LetGo() {
    if (letGoSeen.wait_for(0s) != std::future_status::ready) letGo.set_value();
  }

  std::promise<void> letGo;
  std::shared_future<void> letGoSeen = letGo.get_future().share();
  testhttp::Server server{[this](const testhttp::Request& r) {
    if (r.target != "/downloads/software_updates/tavrel.txt") return testhttp::Status(404);
    letGoSeen.wait_for(30s);
    return testhttp::Body("Tavrel 1.0.2 is out");
  }};
  std::string folder;
  LinuxFileSystem files;
  ProfileFile profile{files};
  CurlDownloader downloader;
};

TEST_F(SlowServerOnDesktop, NoMonitorTickRunsDuringTheCheckAndTheTicksGoOnAfterIt) {
  std::vector<std::string> boxes;
  desktop.answerBoxes = [&](const std::string& text, int, const std::string&) {
    boxes.push_back(text);
    return mb::kOk;
  };
  // The ticks put the main window back on top: out of the way of the link.
  ASSERT_TRUE(PutMainAt({600, 500}));
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
    if (++samples == 50) LetGo();
  });
  sample.start(20);
  ClickOn(w->lblCheck());
  ASSERT_TRUE(WaitUntil([&] { return boxes.size() == 1; }, 60s));
  EXPECT_EQ(boxes[0], "Update available");
  EXPECT_GE(samples, 50) << "the window went on with its progress";
  EXPECT_EQ(lastTicks, firstTicks) << "no tick inside the check";
  const int after = Ticks();
  EXPECT_TRUE(WaitUntil([&] { return Ticks() > after + 2; })) << "ticks go on after it";
  w->close();
}

}  // namespace
}  // namespace tavrel::wmtest
