// The frame of the program's Qt windows as style words and a system menu.
//
// Style bits and Qt window flags:
//   caption (both bits)     title bar; without it Qt::FramelessWindowHint
//   system menu             Qt::WindowSystemMenuHint, and the close button while the menu has an
//                           enabled Close item (as a greyed or removed Close disables it)
//   minimise / maximise     Qt::WindowMinimizeButtonHint / Qt::WindowMaximizeButtonHint
//   context help            Qt::WindowContextHelpButtonHint
//                           (the buttons are shown only with a caption and a system menu)
//   sizing border           resizable; without it the window is held at its current size
//   tool window             Qt::Tool
//   app window              taskbar entry: a Qt::Window. Without it (and without the tool-window
//                           bit) an ordinary window becomes a Qt::Tool, which window managers keep
//                           out of the taskbar; so a frameless Qt::Window keeps its taskbar entry.
//   topmost                 Qt::WindowStaysOnTopHint, read live (the window manager's band)
// The caption, the sizing border and the topmost bit are read from the window each time; the
// other bits are kept here, starting from what the window's flags say when it is first asked
// about, because Qt cannot show them on every kind of window (no buttons on a frameless one).
//
// The system menu is the program's own popup menu with the standard items and their command ids;
// greying, removing and popping it up happen on that menu, and its items act on the window.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <map>
#include <optional>

#include "core/IWindowStyle.h"
#include "gui/qt/QtWindowManager.h"

namespace tavrel::qt {

class QtWindowStyle : public IWindowStyle {
 public:
  explicit QtWindowStyle(QtWindowManager& wm) : wm_(wm) {}
  ~QtWindowStyle() override;
  QtWindowStyle(const QtWindowStyle&) = delete;
  QtWindowStyle& operator=(const QtWindowStyle&) = delete;

  // The window's system menu, made on first use; nullptr for a handle that names no window.
  QMenu* SystemMenu(WindowHandle window);

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

  // Carries out a system command on the window, as choosing its menu item does.
  void PerformCommand(WindowHandle window, std::uint32_t command);

 private:
  struct Frame {
    QPointer<QWidget> widget;
    std::int32_t style = 0;  // the bits kept here (see above)
    std::int32_t exStyle = 0;
    bool sizeSaved = false;  // the size limits the window had before it was held
    QSize savedMin, savedMax;
    QPointer<QMenu> menu;
  };

  Frame* FrameOf(WindowHandle window);
  QAction* ActionAt(WindowHandle window, int position);
  std::int32_t Read(const Frame& f, int index) const;
  // Sets the window's flags from its two style words.
  void ApplyFlags(Frame& f, std::int32_t style, std::int32_t exStyle);
  void Reapply(WindowHandle window);
  void ApplySizing(Frame& f);
  static void Show(QWidget* w, int command);
  bool CloseAllowed(const Frame& f) const;

  QtWindowManager& wm_;
  std::map<WindowHandle, Frame> frames_;
  QPointer<QWidget> locked_;
  std::optional<int> lockedShow_;  // the last ShowWindow for the locked window, applied at unlock
};

}  // namespace tavrel::qt
