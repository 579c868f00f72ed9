// The main window's behaviour: load, activation, close request and unload, and the hooks of its
// timer. The view draws; every decision is taken here.
#pragma once

#include <cstdint>

#include "activity/ActivityText.h"
#include "app/Env.h"
#include "app/ITimer.h"
#include "app/modMain.h"
#include "netinfo/ConnectionList.h"

namespace tavrel {

// Why the main window is asked to close.
namespace unload {
inline constexpr int kControlMenu = 0;     // the user closed it (exit button, window menu)
inline constexpr int kCode = 1;            // the program closed it
inline constexpr int kAppWindows = 2;      // the desktop session is ending (shut-down, logoff)
inline constexpr int kAppTaskManager = 3;  // another program asked it to end
}  // namespace unload

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
  // Unloads every other window of the program, each through its own unload handler.
  virtual void UnloadOtherWindows() = 0;
  // Ends the process once the current event has been handled.
  virtual void EndProcess() = 0;
};

class frmMain {
 public:
  frmMain(Env& env, IMainView& view, ITimer& tmrConnect);

  void Form_Load();
  void Form_Activate();
  void Form_QueryUnload(int unloadMode);
  void Form_Unload();
  void tmrConnect_Timer();

  ActivityText txtConnection;
  ConnectionList ListView1;
  std::int16_t ReconnectFailures = 0;

  ITimer& tmrConnect() { return timer_; }
  Env& env() { return env_; }

 private:
  void EnsureLogFolder(const std::string& path);

  Env& env_;
  IMainView& view_;
  ITimer& timer_;
  bool unloaded_ = false;
};

}  // namespace tavrel
