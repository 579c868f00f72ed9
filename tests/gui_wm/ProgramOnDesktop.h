// The program's windows on the real desktop, over the fakes: the real main window with its menu,
// settings and update windows, the real desktop services and window manager calls, a phonebook
// entry configured and the machine online (every tick refreshes the table and writes the logs).
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QWindow>
#include <memory>

#include "RealDesktop.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/App.h"
#include "gui/qt/QtWindowManager.h"
#include "gui/qt/QtWindowStyle.h"
#include "gui/qt/Twips.h"
#include "gui_qt/TestDesktop.h"
#include "settings/modSettings.h"

namespace tavrel::wmtest {

class ProgramOnDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!theDesktop.desktop && theDesktop.missing) GTEST_SKIP() << theDesktop.why;
    ASSERT_NE(theDesktop.desktop, nullptr) << theDesktop.why;
    ASSERT_DOUBLE_EQ(qt::ScreenDpi(), 96.0);
    env = MakeEnv();
    modSettings::SaveSetting(*env, "Tavrel", "Settings", "ConID", "Work");
    desktop.realBoxes = true;  // answered by the test's keyboard
    app = std::make_unique<qt::App>(*env, wm);
    main = &app->mainWindow();
    mainId = static_cast<XWindow>(main->winId());
    ASSERT_TRUE(WaitUntil([&] { return main->isActiveWindow(); }))
        << "the new program gets the focus; the active window: " << x.ActiveWindow() << ", the main window: " << mainId;
    ASSERT_TRUE(WaitUntil([&] { return !main->WaitsForFirstPaint(); })) << "the load follows the first paint";
  }
  void TearDown() override {
    app.reset();
    QApplication::processEvents();
  }
  // Monitor ticks every `ms` instead of every 3 s, so that many of them fit into a test.
  void TickEvery(int ms) { main->timer().timer().setInterval(ms); }
  int Ticks() const { return static_cast<int>(std::count(f.log.events.begin(), f.log.events.end(), "GetTcpTable")); }
  QRect MainFrame() { return x.Frame(mainId); }
  // Outer bounds on the screen of one of the program's windows.
  QRect FrameOf(const QWidget* w) { return x.Frame(static_cast<XWindow>(w->winId())); }
  // Where the main window's activation puts it on the 1024 x 768 screen.
  static constexpr QPoint kCentre{303, 261};
  // Moves the main window as the program would (no activation) and waits until it is there.
  bool PutMainAt(QPoint p) {
    main->move(p);
    return WaitUntil([&] { return MainFrame().topLeft() == p; });
  }
  // The middle of a widget on the screen, and a click of the user's left button there.
  static QPoint Centre(const QWidget* w) { return w->mapToGlobal(w->rect().center()); }
  static void ClickOn(const QWidget* w) { ClickAt(Centre(w)); }

  // The fakes' environment with the real desktop services and window manager calls.
  virtual std::unique_ptr<Env> MakeEnv() {
    return std::make_unique<Env>(Env{f.env.app, desktop, f.clock, f.fs, f.profile, f.registry, f.connection,
                                     f.phonebook, f.tcp, f.addresses, f.sockets, f.downloader, wm, style});
  }

  fakes::FakeEnv f;
  qt::TestDesktop desktop;
  qt::QtWindowManager wm;
  qt::QtWindowStyle style{wm};
  std::unique_ptr<Env> env;
  std::unique_ptr<qt::App> app;
  qt::MainWindow* main = nullptr;
  XWindow mainId = 0;
  XState x;
};

}  // namespace tavrel::wmtest
