#include "gui/win32/Win32Windows.h"

#include "platform/win32/Win32Api.h"

namespace tavrel::win32 {

namespace {

HWND Hwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }

HMENU SystemMenu(WindowHandle w) { return ::IsWindow(Hwnd(w)) ? ::GetSystemMenu(Hwnd(w), FALSE) : nullptr; }

// Neither moved nor sized (flags 3), and activated as well: within the program the window comes
// forward; Windows itself keeps a program in the background from taking the foreground from
// another one.
void Place(WindowHandle w, HWND band) { ::SetWindowPos(Hwnd(w), band, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

}  // namespace

void Win32WindowManager::SetTopMost(WindowHandle w) { Place(w, HWND_TOPMOST); }
void Win32WindowManager::ClearTopMost(WindowHandle w) { Place(w, HWND_NOTOPMOST); }

std::string Win32WindowManager::StartMove(WindowHandle w) {
  if (!::IsWindow(Hwnd(w))) return "no such window";
  ::ReleaseCapture();
  ::SendMessageA(Hwnd(w), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return {};
}

std::int32_t Win32WindowStyle::StyleWord(WindowHandle w, int index) {
  if (!::IsWindow(Hwnd(w))) return 0;
  return ::GetWindowLongA(Hwnd(w), index);
}

std::int32_t Win32WindowStyle::SetStyleWord(WindowHandle w, int index, std::int32_t value) {
  if (!::IsWindow(Hwnd(w))) return 0;
  const LONG old = ::GetWindowLongA(Hwnd(w), index);
  // The topmost band is the window manager's (SetTopMost); the bit keeps what it is.
  if (index == kGwlExStyle) value = (value & ~kWsExTopMost) | (old & kWsExTopMost);
  return ::SetWindowLongA(Hwnd(w), index, value);
}

void Win32WindowStyle::RedrawFrame(WindowHandle w) {
  ::SetWindowPos(Hwnd(w), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32WindowStyle::ShowWindow(WindowHandle w, int command) { ::ShowWindow(Hwnd(w), command); }

void Win32WindowStyle::LockWindowUpdate(WindowHandle w) { ::LockWindowUpdate(Hwnd(w)); }

int Win32WindowStyle::MenuItemCount(WindowHandle w) {
  const HMENU m = SystemMenu(w);
  return m ? ::GetMenuItemCount(m) : -1;
}

std::uint32_t Win32WindowStyle::MenuItemId(WindowHandle w, int position) {
  const HMENU m = SystemMenu(w);
  return m ? ::GetMenuItemID(m, position) : kNoMenuItem;
}

std::optional<std::uint32_t> Win32WindowStyle::MenuItemState(WindowHandle w, int position) {
  const HMENU m = SystemMenu(w);
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  if (!m || !::GetMenuItemInfoA(m, static_cast<UINT>(position), TRUE, &info)) return std::nullopt;
  return info.fState;
}

bool Win32WindowStyle::SetMenuItem(WindowHandle w, int position, std::uint32_t state, std::uint32_t id) {
  const HMENU m = SystemMenu(w);
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE | MIIM_ID;
  info.fState = state;
  info.wID = id;
  return m && ::SetMenuItemInfoA(m, static_cast<UINT>(position), TRUE, &info);
}

bool Win32WindowStyle::RemoveMenuItem(WindowHandle w, std::uint32_t item, bool byPosition) {
  const HMENU m = SystemMenu(w);
  return m && ::RemoveMenu(m, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
}

void Win32WindowStyle::PopupSystemMenu(WindowHandle w, std::uint32_t packedPoint) {
  const HMENU m = SystemMenu(w);
  if (!m) return;
  const int x = static_cast<std::int16_t>(packedPoint & 0xFFFF);
  const int y = static_cast<std::int16_t>(packedPoint >> 16);
  const UINT cmd = static_cast<UINT>(::TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, Hwnd(w), nullptr));
  if (cmd != 0) ::PostMessageA(Hwnd(w), WM_SYSCOMMAND, cmd, 0);
}

ScreenPoint Win32WindowStyle::CursorPos() {
  POINT p{};
  ::GetCursorPos(&p);
  return {p.x, p.y};
}

void Win32WindowStyle::ReleaseCapture() { ::ReleaseCapture(); }

void Win32WindowStyle::StartCaptionMove(WindowHandle w) {
  ::SendMessageA(Hwnd(w), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

}  // namespace tavrel::win32
