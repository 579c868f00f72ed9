// The program's Win32 windows over the behaviour's fakes, with the real window services (style
// words, topmost band, system menu) on a real desktop: Wine with Xvfb, started by on-desktop.sh.
#pragma once

#include "platform/win32/Win32Api.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "fakes/FakeEnv.h"
#include "gui/win32/MainWindow.h"
#include "gui/win32/Ui.h"
#include "gui/win32/Win32Windows.h"

namespace tavrel::win32 {

// Handles the messages that wait, for a short while.
void Pump();
// Handles messages until the condition holds; false when it did not within the bound.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds bound = std::chrono::seconds(20));
// A left click at a point of a window's inner area, as the mouse would give it.
void Click(HWND window, POINT at);
POINT Centre(const RECT& r);
// A child window's rectangle within its parent's inner area.
RECT ChildRect(HWND child);
RECT InnerRect(HWND window);
bool TopMost(HWND window);

class OnDesktop : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // An item that the window draws, by name; fails the test when there is none.
  static RECT ItemRect(const Canvas& canvas, const std::string& name);
  void ClickItem(HWND window, const Canvas& canvas, const std::string& name) {
    Click(window, Centre(ItemRect(canvas, name)));
  }

  fakes::FakeEnv f;
  Win32WindowManager wm;
  Win32WindowStyle style;
  Env env{f.env.app,   f.desktop, f.clock,     f.fs,      f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,     f.addresses, f.sockets, f.downloader, wm,         style};
  std::unique_ptr<MainWindow> main;
};

}  // namespace tavrel::win32
