#include "ui/CFormBorder.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace tavrel {

namespace {
// A greyed item carries its id with bit 15 cleared, so that the window manager's own upkeep of the
// standard items (which goes by the full id) leaves it greyed.
constexpr std::uint32_t kGreyedIdBit = 0x8000;
constexpr std::uint32_t kEnabledState = 0;
constexpr std::uint32_t kGreyedState = kMfsGrayed;
}  // namespace

void CFormBorder::Client(FormKind kind, WindowHandle window) {
  m_hWnd = 0;
  switch (kind) {
    case FormKind::kMdiParent:
      m_Client.reset();
      m_MdiClient = window;
      m_hWnd = window;
      break;
    case FormKind::kOrdinary:
      m_MdiClient.reset();
      m_Client = window;
      m_hWnd = window;
      break;
    case FormKind::kNotAForm: break;  // the former client reference stays; only the handle is gone
  }
}

std::optional<FormRef> CFormBorder::Client() const {
  if (m_Client) return FormRef{FormKind::kOrdinary, *m_Client};
  if (m_MdiClient) return FormRef{FormKind::kMdiParent, *m_MdiClient};
  return std::nullopt;
}

void CFormBorder::ControlBox(bool value) { FlipStyleBit(kWsSysMenu, value); }
bool CFormBorder::ControlBox() { return (StyleBits(0) & kWsSysMenu) != 0; }

void CFormBorder::MaxButton(bool value) {
  FlipStyleBit(kWsMaximizeBox, value);
  EnableMenuItem(kScMaximize, value);
}
bool CFormBorder::MaxButton() { return (StyleBits(0) & kWsMaximizeBox) != 0; }

void CFormBorder::MinButton(bool value) {
  FlipStyleBit(kWsMinimizeBox, value);
  EnableMenuItem(kScMinimize, value);
}
bool CFormBorder::MinButton() { return (StyleBits(0) & kWsMinimizeBox) != 0; }

void CFormBorder::Moveable(bool value) { EnableMenuItem(kScMove, value); }
bool CFormBorder::Moveable() {
  // No Move item (or no window) reads as state 0, hence movable.
  return SysMenuItemState(FindSysMenuItem(kScMove)) == kEnabledState;
}

void CFormBorder::Sizeable(bool value) {
  EnableMenuItem(kScSize, value);
  FlipStyleBit(kWsThickFrame, value);
}
bool CFormBorder::Sizeable() { return (StyleBits(0) & kWsThickFrame) != 0; }

void CFormBorder::ShowInTaskbar(bool value) {
  // The taskbar takes note of the change when the window appears again, so it is hidden around
  // it; painting is held meanwhile so that the hide and show do not flash.
  style_.LockWindowUpdate(m_hWnd);
  style_.ShowWindow(m_hWnd, kSwHide);
  FlipExStyleBit(kWsExAppWindow, value);
  style_.ShowWindow(m_hWnd, kSwShowNormal);
  style_.LockWindowUpdate(0);
}
bool CFormBorder::ShowInTaskbar() { return (ExStyleBits(0) & kWsExAppWindow) != 0; }

void CFormBorder::Titlebar(bool value) { FlipStyleBit(kWsCaption, value); }
bool CFormBorder::Titlebar() { return (StyleBits(0) & kWsCaption) != 0; }

void CFormBorder::ToolWindow(bool value) { FlipExStyleBit(kWsExToolWindow, value); }
bool CFormBorder::ToolWindow() { return (ExStyleBits(0) & kWsExToolWindow) != 0; }

void CFormBorder::TopMost(bool value) {
  if (value)
    wm_.SetTopMost(m_hWnd);
  else
    wm_.ClearTopMost(m_hWnd);
}
bool CFormBorder::TopMost() { return (ExStyleBits(0) & kWsExTopMost) != 0; }

void CFormBorder::WhatsThisButton(bool value) { FlipExStyleBit(kWsExContextHelp, value); }
bool CFormBorder::WhatsThisButton() { return (ExStyleBits(0) & kWsExContextHelp) != 0; }

void CFormBorder::EnableMenuItem(std::uint32_t MenuItem, bool Enabled) {
  const int position = FindSysMenuItem(MenuItem);
  if (position < 0) return;
  const std::uint32_t state = Enabled ? kEnabledState : kGreyedState;
  const std::uint32_t id = Enabled ? MenuItem : (MenuItem & ~kGreyedIdBit);
  style_.SetMenuItem(m_hWnd, position, state, id);
}

void CFormBorder::Redraw() { style_.RedrawFrame(m_hWnd); }

void CFormBorder::RemoveMenuItem(std::uint32_t MenuItem) {
  if (MenuItem == kScMinimize) {
    MinButton(false);
  } else if (MenuItem == kScMaximize) {
    MaxButton(false);
  } else if (MenuItem == kScClose) {
    // The separator just above Close goes with it. Without a Close item this asks for position
    // -2, which names nothing.
    const int position = FindSysMenuItem(kScClose);
    style_.RemoveMenuItem(m_hWnd, static_cast<std::uint32_t>(position - 1), true);
  }
  style_.RemoveMenuItem(m_hWnd, MenuItem, false);
}

void CFormBorder::ShowSysMenu(std::int32_t X, std::int32_t Y) {
  constexpr std::int32_t lo = std::numeric_limits<std::int16_t>::min();
  constexpr std::int32_t hi = std::numeric_limits<std::int16_t>::max();
  if (X < lo || X > hi || Y < lo || Y > hi) {
    throw std::overflow_error("ShowSysMenu: screen point (" + std::to_string(X) + ", " + std::to_string(Y) +
                              ") lies outside the 16-bit range");
  }
  style_.PopupSystemMenu(m_hWnd, PackPoint(static_cast<std::int16_t>(Y), static_cast<std::int16_t>(X)));
}

void CFormBorder::Client_MouseDown(int button, int, long, long) {
  if (button != kLeftButton || !m_AutoDrag) return;
  style_.ReleaseCapture();
  style_.StartCaptionMove(m_hWnd);  // returns when the user lets go
}

void CFormBorder::Client_MouseUp(int button, int, long, long) {
  const ScreenPoint at = style_.CursorPos();
  if (button != kRightButton || !m_AutoSysMenu) return;
  try {
    ShowSysMenu(at.x, at.y);
  } catch (const std::overflow_error&) {
    // A pointer beyond the 16-bit range (no screen is that large) gets no menu; an event
    // handler lets nothing escape into the window's event loop.
  }
}

std::int32_t CFormBorder::StyleBits(std::int32_t newBits) {
  if (newBits != 0) style_.SetStyleWord(m_hWnd, kGwlStyle, newBits);
  return style_.StyleWord(m_hWnd, kGwlStyle);
}

std::int32_t CFormBorder::ExStyleBits(std::int32_t newBits) {
  if (newBits != 0) style_.SetStyleWord(m_hWnd, kGwlExStyle, newBits);
  return style_.StyleWord(m_hWnd, kGwlExStyle);
}

bool CFormBorder::FlipStyleBit(std::int32_t bits, bool set) { return FlipBits(kGwlStyle, bits, set); }
bool CFormBorder::FlipExStyleBit(std::int32_t bits, bool set) { return FlipBits(kGwlExStyle, bits, set); }

bool CFormBorder::FlipBits(int index, std::int32_t bits, bool set) {
  const std::int32_t old = style_.StyleWord(m_hWnd, index);
  const std::int32_t word = set ? (old | bits) : (old & ~bits);
  style_.SetStyleWord(m_hWnd, index, word);
  Redraw();
  return style_.StyleWord(m_hWnd, index) == word;
}

int CFormBorder::FindSysMenuItem(std::uint32_t id) {
  const int count = style_.MenuItemCount(m_hWnd);  // -1 when there is no menu
  const std::uint32_t greyedId = id & ~kGreyedIdBit;
  for (int position = 0; position < count; ++position) {
    const std::uint32_t itemId = style_.MenuItemId(m_hWnd, position);
    if (itemId == id || itemId == greyedId) return position;
  }
  return -1;
}

std::uint32_t CFormBorder::SysMenuItemState(int position) {
  if (position < 0) return 0;
  return style_.MenuItemState(m_hWnd, position).value_or(0);
}

std::uint32_t CFormBorder::PackPoint(std::int16_t high, std::int16_t low) {
  // The low value contributes its 16 bits only: a negative x must not fill y's half with ones.
  return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16) | static_cast<std::uint16_t>(low);
}

}  // namespace tavrel
