// The main window's behaviour: load, activation, close request and unload, and the hooks of its
// timer. The view draws; every decision is taken here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "activity/ActivityText.h"
#include "activity/ConnectionList.h"
#include "activity/modMain.h"
#include "app/modMain.h"
#include "core/Env.h"
#include "core/ITimer.h"
#include "monitor/Operation.h"
#include "ui/CFormBorder.h"

namespace tavrel {

// Why the main window is asked to close.
namespace unload {
inline constexpr int kControlMenu = 0;     // the user closed it (exit button, window menu)
inline constexpr int kCode = 1;            // the program closed it
inline constexpr int kAppWindows = 2;      // the desktop session is ending (shut-down, logoff)
inline constexpr int kAppTaskManager = 3;  // another program asked it to end
}  // namespace unload

// The main window's controls, in twips within its inner area (418 x 245 pixels at 96 DPI).
struct ControlPlace {
  const char* name;
  long left, top, width, height;
  const char* tooltip;  // empty: none
};
inline constexpr long kMainInnerWidth = 6270;
inline constexpr long kMainInnerHeight = 3675;
inline constexpr long kViewsTopMargin = 880;  // the views' height is the inner height less this
inline constexpr std::array<ControlPlace, 8> kMainLayout{{
    {"Image1", 0, 0, 6270, 885, ""},
    {"imgToggle", 4560, 80, 255, 255, "Toggle log/connections display"},
    {"imgSettings", 4920, 75, 240, 240, "Settings"},
    {"imgInfo", 5280, 75, 255, 255, "Help"},
    {"imgMinimize", 5640, 75, 240, 240, "Send to tray"},
    {"imgExit", 5960, 80, 240, 240, "Close Tavrel"},
    {"txtConnection", 0, 885, 6255, 2775, ""},
    {"ListView1", 0, 885, 6135, 2775, ""},
}};
// Where the menu window's top left corner goes, in screen twips: imgExit's left + 100, and
// 3000 + the main window's menu offset (see MenuOffset).
inline constexpr long kMenuLeft = 5960 + 100;
inline constexpr long kMenuTop = 3000;

class IMainView {
 public:
  virtual ~IMainView() = default;
  virtual WindowHandle Handle() const = 0;
  // Exactly one of the two views is visible.
  virtual void SetListVisible(bool visible) = 0;
  virtual bool ListVisible() const = 0;
  virtual void SetActivityVisible(bool visible) = 0;
  // Outer bounds of the window and size of the screen, in twips.
  virtual modMain::Rect Bounds() const = 0;
  virtual long ScreenWidth() const = 0;
  virtual long ScreenHeight() const = 0;
  virtual void MoveTo(long left, long top) = 0;
  // Inner (client) size in twips, and whether the window is minimised.
  virtual long InnerWidth() const = 0;
  virtual long InnerHeight() const = 0;
  virtual bool Minimized() const = 0;
  virtual void Minimize() = 0;
  // Sets width and height of both views (their left and top stay).
  virtual void SetViewsSize(long width, long height) = 0;
  // The vertical offset the menu's placement adds to its fixed top: the height of the main
  // window's caption bar above its inner area, in twips (0 for the program's borderless window).
  virtual long MenuOffset() const = 0;
  // The other windows: shown modeless; the menu placed at a screen position in twips.
  virtual void ShowSettings() = 0;
  virtual void ShowMenu(long left, long top) = 0;
  virtual void UnloadMenu() = 0;
  // Asks the window to close for a reason (an unload mode); the close request handler runs.
  virtual void RequestClose(int unloadMode) = 0;
  // Unloads every other window of the program, each through its own unload handler.
  virtual void UnloadOtherWindows() = 0;
  // Ends the process. Nothing of a handler that is paused under this one (a message box, a
  // transfer that lets events run) runs afterwards.
  virtual void EndProcess() = 0;
};

class frmMain {
 public:
  frmMain(Env& env, IMainView& view, ITimer& tmrConnect);
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  void Form_Load();
  void Form_Activate();
  void Form_QueryUnload(int unloadMode);
  void Form_Unload();
  // The monitor cycle; a tick that falls due inside another operation waits for its end.
  void tmrConnect_Timer();
  void Form_GotFocus();
  void Form_Resize();
  void Image1_MouseDown(int button, int shift, long x, long y);
  void imgToggle_Click();
  void imgSettings_Click();
  void imgInfo_Click();
  void imgMinimize_Click();
  void imgExit_Click();
  // columnIndex is one-based, as the list's column headers count.
  void ListView1_ColumnClick(int columnIndex);
  // Mouse presses on either view close an open menu.
  void txtConnection_MouseDown(int button, int shift, long x, long y);
  void ListView1_MouseDown(int button, int shift, long x, long y);

  ActivityText txtConnection;
  ConnectionList ListView1;
  std::int16_t ReconnectFailures = 0;

  // The work that other windows run as operations, which the monitor's ticks wait for.
  Operations& operations() { return operations_; }

 private:
  void EnsureLogFolder(const std::string& path);
  // Names a failing settings file once in the activity view, when its writes start failing.
  void ReportSettingsFailure();
  void RunCycle();

  Env& env_;
  IMainView& view_;
  ITimer& timer_;
  CFormBorder border_;  // the frame controller, attached at load, kept for the window's life
  bool unloaded_ = false;
  modMain::Logs logs_;
  bool inTick_ = false;  // a monitor tick is running
  Operations operations_;
  std::string settingsFailure_;  // the failure last reported; empty while writes succeed
};

}  // namespace tavrel
