// The window manager's services for the program's windows on Win32: the topmost band, moves,
// style words and the system menu, each a thin call of the platform.
#pragma once

#include "core/IWindowManager.h"
#include "core/IWindowStyle.h"

namespace tavrel::win32 {

class Win32WindowManager : public IWindowManager {
 public:
  // SetWindowPos with HWND_TOPMOST / HWND_NOTOPMOST, neither moving nor sizing (flags 3).
  void SetTopMost(WindowHandle window) override;
  void ClearTopMost(WindowHandle window) override;
  // As a press on the caption: the system's own move loop (returns when it ends).
  std::string StartMove(WindowHandle window) override;
};

class Win32WindowStyle : public IWindowStyle {
 public:
  std::int32_t StyleWord(WindowHandle window, int index) override;
  std::int32_t SetStyleWord(WindowHandle window, int index, std::int32_t value) override;
  void RedrawFrame(WindowHandle window) override;
  void ShowWindow(WindowHandle window, int command) override;
  void LockWindowUpdate(WindowHandle window) override;
  int MenuItemCount(WindowHandle window) override;
  std::uint32_t MenuItemId(WindowHandle window, int position) override;
  std::optional<std::uint32_t> MenuItemState(WindowHandle window, int position) override;
  bool SetMenuItem(WindowHandle window, int position, std::uint32_t state, std::uint32_t id) override;
  bool RemoveMenuItem(WindowHandle window, std::uint32_t item, bool byPosition) override;
  void PopupSystemMenu(WindowHandle window, std::uint32_t packedPoint) override;
  ScreenPoint CursorPos() override;
  void ReleaseCapture() override;
  void StartCaptionMove(WindowHandle window) override;
};

}  // namespace tavrel::win32
