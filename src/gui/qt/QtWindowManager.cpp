#include "gui/qt/QtWindowManager.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
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

namespace {

// Moves a window with the mouse until the button is released, for desktops whose window manager
// offers no interactive move of its own.
class MouseMove : public QObject {
 public:
  explicit MouseMove(QWidget* w) : window_(w), grab_(QCursor::pos() - w->pos()) {
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseMove && window_) {
      window_->move(QCursor::pos() - grab_);
    } else if (e->type() == QEvent::MouseButtonRelease || !window_) {
      qApp->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  QPointer<QWidget> window_;
  QPoint grab_;
};

}  // namespace

std::string QtWindowManager::StartMove(WindowHandle window) {
  QWidget* w = Find(window);
  if (!w) return "no window with this handle";
  if (w->windowHandle() && w->windowHandle()->startSystemMove()) return {};
  new MouseMove(w);  // follows the mouse itself; deletes itself when the button is released
  return {};
}

}  // namespace tavrel::qt
