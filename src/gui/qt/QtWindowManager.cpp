#include "gui/qt/QtWindowManager.h"

#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

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

QtWindowManager::QtWindowManager()
    : band_([](QWidget* w, bool on) { w->windowHandle()->setFlag(Qt::WindowStaysOnTopHint, on); },
            [](QWidget* w) { return w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }) {}

void QtWindowManager::StayOnTop(WindowHandle window, bool on) {
  QWidget* w = Find(window);
  if (!w) return;  // a handle that names no window: ignored
  if (w->windowHandle()) {
    // Changing the flag on the native window updates the window manager's state in place
    // (_NET_WM_STATE_ABOVE on X11): no hiding or re-creating, so no flicker. The band changes and
    // nothing else: the window is neither raised within it nor activated, so the keyboard focus
    // stays with whatever program the user works in; and it changes only when the user could see
    // the difference.
    band_.Want(w, on);
  } else {
    // Not shown yet: the flag takes effect when the window is created.
    w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
  }
}

void QtWindowManager::SetTopMost(WindowHandle window) { StayOnTop(window, true); }
void QtWindowManager::ClearTopMost(WindowHandle window) { StayOnTop(window, false); }

namespace {

// --- The window manager's move on X11 ------------------------------------------------------------

xcb_connection_t* XConnection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

struct Pointer {
  xcb_window_t root;
  int x, y;            // on the screen, in the X server's pixels
  std::uint16_t mask;  // buttons and modifiers held
};

std::optional<Pointer> QueryPointer(xcb_connection_t* c, xcb_window_t window) {
  xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(c, xcb_query_pointer(c, window), nullptr);
  if (!r) return std::nullopt;
  const Pointer p{r->root, r->root_x, r->root_y, r->mask};
  std::free(r);
  return p;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(r);
  return a;
}

// Whether the window manager offers its interactive move (it lists _NET_WM_MOVERESIZE).
bool WindowManagerMoves(xcb_connection_t* c, xcb_window_t root, xcb_atom_t moveResize) {
  if (moveResize == XCB_ATOM_NONE) return false;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 4096), nullptr);
  bool found = false;
  if (r && r->format == 32) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
    const int n = xcb_get_property_value_length(r) / 4;
    for (int i = 0; i < n && !found; ++i) found = atoms[i] == moveResize;
  }
  std::free(r);
  return found;
}

// The first of the left, middle and right buttons held in a pointer mask (X's numbers 1 to 3),
// 0 for none.
int HeldButton(std::uint16_t mask) {
  for (int b = 1; b <= 3; ++b)
    if (mask & (XCB_BUTTON_MASK_1 << (b - 1))) return b;
  return 0;
}

// Runs window events (timer ticks included) until held() turns false.
void WaitWhile(const std::function<bool()>& held) {
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(15);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!held()) loop.quit();
  });
  poll.start();
  if (held()) loop.exec();
}

// The window manager's own move with the button that is held, named in the request so that the
// move ends when that button is let go (whichever of the three it is), then waited for until the
// button is up. False when there is no X server or no window manager that offers the move.
bool MoveWithWindowManager(QWidget* w) {
  xcb_connection_t* c = XConnection();
  QWindow* native = w->windowHandle();
  if (!c || !native) return false;
  const xcb_window_t id = static_cast<xcb_window_t>(native->winId());
  const std::optional<Pointer> p = QueryPointer(c, id);
  const xcb_atom_t moveResize = Atom(c, "_NET_WM_MOVERESIZE");
  if (!p || !WindowManagerMoves(c, p->root, moveResize)) return false;
  const int button = HeldButton(p->mask);
  if (button == 0) return true;  // let go already: nothing to move

  xcb_client_message_event_t ev;
  std::memset(&ev, 0, sizeof ev);
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = id;
  ev.type = moveResize;
  ev.data.data32[0] = static_cast<std::uint32_t>(p->x);
  ev.data.data32[1] = static_cast<std::uint32_t>(p->y);
  ev.data.data32[2] = 8;  // _NET_WM_MOVERESIZE_MOVE
  ev.data.data32[3] = static_cast<std::uint32_t>(button);
  ev.data.data32[4] = 1;  // asked for by an application
  // The press gave this program the pointer; the window manager takes it for the move.
  xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
  xcb_send_event(c, 0, p->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  xcb_flush(c);

  const std::uint16_t bit = static_cast<std::uint16_t>(XCB_BUTTON_MASK_1 << (button - 1));
  QPointer<QWidget> alive(w);
  WaitWhile([&] {
    const std::optional<Pointer> now = alive ? QueryPointer(c, id) : std::nullopt;
    return now && (now->mask & bit);
  });
  return true;
}

// --- Following the mouse ourselves ---------------------------------------------------------------

// Moves a window with the mouse until the button that was held is released, for desktops whose
// window manager offers no interactive move of its own.
class MouseFollower : public QObject {
 public:
  MouseFollower(QWidget* w, Qt::MouseButton button) : window_(w), button_(button), grab_(QCursor::pos() - w->pos()) {}

  void Run() {
    qApp->installEventFilter(this);
    WaitWhile([this] { return window_ && !released_; });
    qApp->removeEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseMove && window_) {
      window_->move(QCursor::pos() - grab_);
    } else if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == button_) {
      released_ = true;
    }
    return false;
  }

 private:
  QPointer<QWidget> window_;
  Qt::MouseButton button_;
  QPoint grab_;
  bool released_ = false;
};

Qt::MouseButton HeldQtButton() {
  const Qt::MouseButtons held = QGuiApplication::mouseButtons();
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton})
    if (held & b) return b;
  return Qt::NoButton;
}

}  // namespace

// The move follows the button that is held and ends when it is let go; this returns then, with
// window events (timer ticks included) running meanwhile. Only where the window system runs the
// move entirely on its own and says nothing of its end (Wayland's compositor) does it return as
// the move begins.
std::string QtWindowManager::StartMove(WindowHandle window) {
  QWidget* w = Find(window);
  if (!w) return "no window with this handle";
  if (MoveWithWindowManager(w)) return {};
  const Qt::MouseButton button = HeldQtButton();
  if (button == Qt::NoButton) return {};  // let go already: nothing to move
  if (!XConnection() && w->windowHandle() && w->windowHandle()->startSystemMove()) return {};
  MouseFollower(w, button).Run();
  return {};
}

}  // namespace tavrel::qt
