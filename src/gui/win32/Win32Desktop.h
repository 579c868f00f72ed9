// Desktop services on Win32: message boxes, the shell, letting pending messages run, the window
// timer.
#pragma once

#include "platform/win32/Win32Api.h"

#include <functional>
#include <string>

#include "core/IDesktop.h"
#include "core/ITimer.h"

namespace tavrel::win32 {

class Win32Desktop : public IDesktop {
 public:
  explicit Win32Desktop(std::string title) : title_(std::move(title)) {}
  // The window that owns message boxes and shell requests.
  void SetOwner(HWND owner) { owner_ = owner; }

  // MessageBoxA with the code's buttons and icon, owned by the program's active window (the
  // owner set here when none is); answers IDYES (6), IDNO (7), IDOK (1).
  int MsgBox(const std::string& text, int code, const std::string& caption) override;
  void ShellOpen(const std::string& target) override;
  bool LaunchProgram(const std::string& command) override;
  // Handles the messages waiting in the thread's queue, then returns. A quit request met on the
  // way is put back for the main loop.
  void DoEvents() override;

 private:
  std::string title_;
  HWND owner_ = nullptr;
};

// A window timer (SetTimer) on a window: WM_TIMER with the timer's id calls Tick().
class Win32Timer : public ITimer {
 public:
  Win32Timer(HWND window, UINT_PTR id, UINT intervalMs, std::function<void()> onTick)
      : window_(window), id_(id), interval_(intervalMs), onTick_(std::move(onTick)) {}
  // Switching on again restarts the countdown.
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  // For the window procedure: true when the message was this timer's tick.
  bool Handle(UINT message, WPARAM wParam);

 private:
  HWND window_;
  UINT_PTR id_;
  UINT interval_;
  std::function<void()> onTick_;
  bool enabled_ = false;
};

}  // namespace tavrel::win32
