// The live frame of a window: its style words, its system menu, and the few requests about the
// window that changing its frame needs. The words and ids are the Windows ones; another window
// system maps them onto what it has (see its implementation).
//
// The frame controller (ui/CFormBorder) offers every frame change a window can ask for, though the
// program itself calls only a few (the main window's taskbar button and title bar): it is one
// whole interface, kept complete so that a window that needs another change finds it there, and
// so this interface carries what the whole controller needs.
#pragma once

#include <cstdint>
#include <optional>

#include "core/IWindowManager.h"

namespace tavrel {

// Style word indexes.
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;

// Style bits.
inline constexpr std::int32_t kWsMaximizeBox = 0x10000;
inline constexpr std::int32_t kWsMinimizeBox = 0x20000;
inline constexpr std::int32_t kWsThickFrame = 0x40000;
inline constexpr std::int32_t kWsSysMenu = 0x80000;
inline constexpr std::int32_t kWsDlgFrame = 0x400000;
inline constexpr std::int32_t kWsBorder = 0x800000;
inline constexpr std::int32_t kWsCaption = kWsBorder | kWsDlgFrame;  // 0xC00000: two bits
inline constexpr std::int32_t kWsOverlappedWindow =
    kWsCaption | kWsSysMenu | kWsThickFrame | kWsMinimizeBox | kWsMaximizeBox;

// Extended style bits.
inline constexpr std::int32_t kWsExTopMost = 0x8;
inline constexpr std::int32_t kWsExToolWindow = 0x80;
inline constexpr std::int32_t kWsExContextHelp = 0x400;
inline constexpr std::int32_t kWsExAppWindow = 0x40000;

// System commands: the ids of the standard system-menu items.
inline constexpr std::uint32_t kScSize = 0xF000;
inline constexpr std::uint32_t kScMove = 0xF010;
inline constexpr std::uint32_t kScMinimize = 0xF020;
inline constexpr std::uint32_t kScMaximize = 0xF030;
inline constexpr std::uint32_t kScClose = 0xF060;
inline constexpr std::uint32_t kScRestore = 0xF120;

// Menu item state bits (0 is enabled).
inline constexpr std::uint32_t kMfsGrayed = 0x1;
inline constexpr std::uint32_t kMfsDisabled = 0x2;
inline constexpr std::uint32_t kMfsChecked = 0x8;
inline constexpr std::uint32_t kMfsDefault = 0x1000;
// The id of a menu position that holds no item; a separator has the id 0.
inline constexpr std::uint32_t kNoMenuItem = 0xFFFFFFFF;

// ShowWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwMaximize = 3;
inline constexpr int kSwShow = 5;
inline constexpr int kSwMinimize = 6;

struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

class IWindowStyle {
 public:
  virtual ~IWindowStyle() = default;

  // kGwlStyle or kGwlExStyle of the window; 0 for a window that does not exist.
  virtual std::int32_t StyleWord(WindowHandle window, int index) = 0;
  // Writes a style word; returns the previous one (0 and no change for a window that does not
  // exist). kWsExTopMost is not changed this way: that is the window manager's topmost band.
  virtual std::int32_t SetStyleWord(WindowHandle window, int index, std::int32_t value) = 0;
  // Recomputes and repaints the window's frame after a style change.
  virtual void RedrawFrame(WindowHandle window) = 0;
  // One of the kSw commands.
  virtual void ShowWindow(WindowHandle window, int command) = 0;
  // Stops painting the window until LockWindowUpdate(0); one window at a time.
  virtual void LockWindowUpdate(WindowHandle window) = 0;

  // The window's system menu, its items by position from 0.
  // Number of items; -1 for a window that does not exist.
  virtual int MenuItemCount(WindowHandle window) = 0;
  // Command id of the item at a position; kNoMenuItem when there is none.
  virtual std::uint32_t MenuItemId(WindowHandle window, int position) = 0;
  // State word of the item at a position; nothing when there is none.
  virtual std::optional<std::uint32_t> MenuItemState(WindowHandle window, int position) = 0;
  // Replaces the state word and the command id of the item at a position.
  virtual bool SetMenuItem(WindowHandle window, int position, std::uint32_t state, std::uint32_t id) = 0;
  // Removes an item: item is a position when byPosition, else a command id (the first item
  // carrying it). False when there is no such item.
  virtual bool RemoveMenuItem(WindowHandle window, std::uint32_t item, bool byPosition) = 0;
  // Pops the system menu up at a screen point in pixels packed into 32 bits: x in the low 16
  // bits, y in the high 16 bits, each a signed 16-bit number.
  virtual void PopupSystemMenu(WindowHandle window, std::uint32_t packedPoint) = 0;

  // The mouse pointer's position on the screen, in pixels.
  virtual ScreenPoint CursorPos() = 0;
  // Releases the mouse capture that a button press gave to the pressed control.
  virtual void ReleaseCapture() = 0;
  // Starts the window manager's own move of the window, as a press on its caption would; returns
  // when the move ends.
  virtual void StartCaptionMove(WindowHandle window) = 0;
};

}  // namespace tavrel
