// Changes the frame of a live window at run time: title bar, system-menu box, minimise and
// maximise buttons, sizing border, context-help button, tool-window look, taskbar button and the
// topmost band; greys, enables and removes items of its system menu and pops that menu up; and can
// let the user drag the window by its body (left button) or open its system menu (right click).
//
// One controller is attached to one window through Client; from then on every property reads and
// writes the live window: the controller keeps no copy of its style or menu. Each property is a
// pair of overloads: Titlebar(false) sets, Titlebar() reads.
#pragma once

#include <cstdint>
#include <optional>

#include "core/IWindowManager.h"
#include "core/IWindowStyle.h"

namespace tavrel {

// What kind of object is offered to Client.
enum class FormKind {
  kNotAForm,   // anything else: attaching it only detaches the window handle
  kOrdinary,   // an ordinary form
  kMdiParent,  // a multiple-document parent form
};

struct FormRef {
  FormKind kind = FormKind::kNotAForm;
  WindowHandle window = 0;
  bool operator==(const FormRef&) const = default;
};

// Mouse buttons as the client's mouse events report them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

class CFormBorder {
 public:
  CFormBorder(IWindowStyle& style, IWindowManager& wm) : style_(style), wm_(wm) {}

  // Drag the window by pressing the left button on the client's body.
  void AutoDrag(bool value) { m_AutoDrag = value; }
  bool AutoDrag() const { return m_AutoDrag; }
  // Open the system menu where the right button is released on the client's body.
  void AutoSysMenu(bool value) { m_AutoSysMenu = value; }
  bool AutoSysMenu() const { return m_AutoSysMenu; }

  // Attaches a window. A form of either kind becomes the client; anything else only clears the
  // handle (every later call then changes nothing) and leaves the former client reference.
  void Client(FormKind kind, WindowHandle window);
  // The ordinary client if there is one, else the MDI parent client, else nothing.
  std::optional<FormRef> Client() const;

  void ControlBox(bool value);
  bool ControlBox();
  void MaxButton(bool value);
  bool MaxButton();
  void MinButton(bool value);
  bool MinButton();
  // Greys or enables the Move item only; no style bit. Reads true exactly when the Move item's
  // state word is 0 (also when there is no Move item).
  void Moveable(bool value);
  bool Moveable();
  void Sizeable(bool value);
  bool Sizeable();
  // Shows the window (in its normal state) whether or not it was visible before.
  void ShowInTaskbar(bool value);
  bool ShowInTaskbar();
  // Sets or clears both caption bits; reads true when either is set.
  void Titlebar(bool value);
  bool Titlebar();
  void ToolWindow(bool value);
  bool ToolWindow();
  void TopMost(bool value);
  bool TopMost();
  void WhatsThisButton(bool value);
  bool WhatsThisButton();
  WindowHandle hWnd() const { return m_hWnd; }

  // Enables the item with this command id, or greys it (the default). A greyed item carries the
  // id with bit 15 cleared (0xF060 becomes 0x7060) until it is enabled again, which writes the
  // full id back. An id not in the menu does nothing.
  void EnableMenuItem(std::uint32_t MenuItem, bool Enabled = false);
  // Has the window manager recompute and repaint the frame.
  void Redraw();
  // Removes the item carrying this command id. Close takes the entry just above it (the
  // separator) along. Minimize and Maximize turn their button off instead, which greys the item
  // and so changes its id: the greyed item stays in the menu. A greyed Close likewise stays, and
  // only the entry above it goes.
  void RemoveMenuItem(std::uint32_t MenuItem);
  // Pops the system menu up at a screen point in pixels. Throws std::overflow_error when a
  // coordinate lies outside -32768..32767; nothing is shown then.
  void ShowSysMenu(std::int32_t X, std::int32_t Y);

  // The client window's own mouse events (button, shift state, x, y), from either kind of client.
  void Client_MouseDown(int button, int shift, long x, long y);
  void Client_MouseUp(int button, int shift, long x, long y);

 private:
  std::int32_t StyleBits(std::int32_t newBits);
  std::int32_t ExStyleBits(std::int32_t newBits);
  bool FlipStyleBit(std::int32_t bits, bool set);
  bool FlipExStyleBit(std::int32_t bits, bool set);
  bool FlipBits(int index, std::int32_t bits, bool set);
  int FindSysMenuItem(std::uint32_t id);
  std::uint32_t SysMenuItemState(int position);
  static std::uint32_t PackPoint(std::int16_t high, std::int16_t low);

  IWindowStyle& style_;
  IWindowManager& wm_;
  WindowHandle m_hWnd = 0;
  bool m_AutoSysMenu = false;
  bool m_AutoDrag = false;
  std::optional<WindowHandle> m_Client;
  std::optional<WindowHandle> m_MdiClient;
};

}  // namespace tavrel
