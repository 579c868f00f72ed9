#include "gui/qt/QtWindowManager.h"

#include <QWindow>

namespace tavrel::qt {

WindowHandle QtWindowManager::Register(QWidget* w) {
  const auto h = reinterpret_cast<WindowHandle>(w);
  windows_[h] = w;
  return h;
}

QWidget* QtWindowManager::Find(WindowHandle h) const {
  const auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : it->second.data();
}

void QtWindowManager::StayOnTop(WindowHandle window, bool on) {
  QWidget* w = Find(window);
  if (!w) return;  // a handle that names no window: ignored
  if (QWindow* native = w->windowHandle()) {
    // Changing the flag on the native window updates the window manager's state in place
    // (_NET_WM_STATE_ABOVE on X11): no hiding or re-creating, so no flicker.
    native->setFlag(Qt::WindowStaysOnTopHint, on);
    if (on) {
      w->raise();
      w->activateWindow();
    }
  } else {
    // Not shown yet: the flag takes effect when the window is created.
    w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
  }
}

void QtWindowManager::SetTopMost(WindowHandle window) { StayOnTop(window, true); }
void QtWindowManager::ClearTopMost(WindowHandle window) { StayOnTop(window, false); }

std::string QtWindowManager::StartMove(WindowHandle window) {
  QWidget* w = Find(window);
  if (!w || !w->windowHandle()) return {};
  return w->windowHandle()->startSystemMove() ? std::string() : std::string("no window manager move");
}

}  // namespace tavrel::qt
