#pragma once

#include "fakes/EventLog.h"
#include "forms/frmMain.h"

namespace tavrel::fakes {

// The main window's controls as the behaviour sees them; records what it is told.
struct FakeMainView : IMainView, Logging {
  using Logging::Logging;
  WindowHandle Handle() const override { return 7; }
  void SetListVisible(bool v) override { listVisible = v; }
  bool ListVisible() const override { return listVisible; }
  void SetActivityVisible(bool v) override { activityVisible = v; }
  modMain::Rect Bounds() const override { return bounds; }
  long ScreenWidth() const override { return 15360; }  // 1024 x 768 pixels
  long ScreenHeight() const override { return 11520; }
  void MoveTo(long left, long top) override {
    bounds.left = left;
    bounds.top = top;
  }
  long InnerWidth() const override { return innerWidth; }
  long InnerHeight() const override { return innerHeight; }
  bool Minimized() const override { return minimized; }
  void Minimize() override {
    minimized = true;
    log_.Add("Minimize");
  }
  void SetViewsSize(long w, long h) override {
    viewsWidth = w;
    viewsHeight = h;
    log_.Add("SetViewsSize");
  }
  long MenuOffset() const override { return menuOffset; }
  void ShowSettings() override { log_.Add("ShowSettings"); }
  void ShowMenu(long left, long top) override {
    menuLeft = left;
    menuTop = top;
    log_.Add("ShowMenu");
  }
  void UnloadMenu() override { log_.Add("UnloadMenu"); }
  void RequestClose(int mode) override { log_.Add("RequestClose " + std::to_string(mode)); }
  void UnloadOtherWindows() override { log_.Add("UnloadOtherWindows"); }
  void EndProcess() override { log_.Add("EndProcess"); }

  bool listVisible = true;
  bool activityVisible = true;
  bool minimized = false;
  modMain::Rect bounds{100, 200, 6270, 3675};
  long innerWidth = 6270, innerHeight = 3675;
  long viewsWidth = -1, viewsHeight = -1;
  long menuOffset = 0;
  long menuLeft = -1, menuTop = -1;
};

}  // namespace tavrel::fakes
