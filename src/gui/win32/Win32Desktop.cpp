#include "gui/win32/Win32Desktop.h"

#include "platform/win32/Win32Shell.h"

namespace tavrel::win32 {

int Win32Desktop::MsgBox(const std::string& text, int code, const std::string& caption) {
  const std::string& title = caption.empty() ? title_ : caption;
  // Owned by the program's window the user works in (a box of the settings window over it), else
  // by the main window.
  const HWND active = ::GetActiveWindow();
  return ::MessageBoxA(active ? active : owner_, text.c_str(), title.c_str(), static_cast<UINT>(code));
}

void Win32Desktop::ShellOpen(const std::string& target) {
  win32shell::Open(target, reinterpret_cast<WindowHandle>(owner_));
}

bool Win32Desktop::LaunchProgram(const std::string& command) {
  return win32shell::Open(command, reinterpret_cast<WindowHandle>(owner_));
}

void Win32Desktop::DoEvents() {
  MSG msg;
  // Only what is waiting now: messages posted while these run wait for the next round.
  for (int n = 0; n < 1000 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void Win32Timer::SetEnabled(bool enabled) {
  ::KillTimer(window_, id_);
  enabled_ = enabled && ::SetTimer(window_, id_, interval_, nullptr) != 0;
}

bool Win32Timer::Handle(UINT message, WPARAM wParam) {
  if (message != WM_TIMER || wParam != id_) return false;
  if (enabled_ && onTick_) onTick_();
  return true;
}

}  // namespace tavrel::win32
