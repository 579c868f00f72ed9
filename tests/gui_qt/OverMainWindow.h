// A window test over a shown, always-on-top main window: the real desktop services and window
// manager over the fakes, with boxes answered and pages recorded by the test desktop.
#pragma once

#include <gtest/gtest.h>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "TestDesktop.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/QtWindowManager.h"
#include "gui/qt/Twips.h"

namespace tavrel::qt {

class OverMainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_DOUBLE_EQ(ScreenDpi(), 96.0) << "layout checks assume 96 DPI";
    main.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    main.setGeometry(100, 100, 418, 245);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  }
  // The main window's band on screen, once the program waits for events again.
  bool MainOnTop() const {
    QEventLoop idle;
    QTimer::singleShot(10, &idle, &QEventLoop::quit);
    idle.exec();
    return main.windowHandle() && (main.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
  }
  static bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 2000); }

  fakes::FakeEnv f;
  TestDesktop desktop;
  QtWindowManager wm;
  Env env{f.env.app,   desktop, f.clock,     f.fs,      f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,   f.addresses, f.sockets, f.downloader, wm,         f.style};
  QWidget main;
  WindowHandle mainHandle = wm.Register(&main);
};

}  // namespace tavrel::qt
