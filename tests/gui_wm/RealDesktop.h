// The views' tests on a real desktop: a private X server (Xvfb) on a free display with a real
// window manager (openbox), another program's window that can hold the focus, the user's mouse and
// keyboard (xdotool), and what the X server and the window manager say about the windows.
#pragma once

#include <sys/types.h>
#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <ostream>

inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << p.x() << "," << p.y(); }

struct xcb_connection_t;

namespace tavrel::wmtest {

using XWindow = std::uint32_t;

class RealDesktop {
 public:
  // Starts Xvfb (1024 x 768, 96 DPI) and openbox, and waits until openbox manages the screen.
  // Null, with the reason in why, when a program is not installed (missing is then set) or does
  // not come up.
  static std::unique_ptr<RealDesktop> Start(std::string& why, bool& missing);
  ~RealDesktop();
  RealDesktop(const RealDesktop&) = delete;
  RealDesktop& operator=(const RealDesktop&) = delete;

  const std::string& display() const { return display_; }

 private:
  RealDesktop() = default;
  pid_t xvfb_ = -1;
  pid_t wm_ = -1;
  std::string display_;
  std::string scratch_;
};

// The desktop the test program runs on, or null with the reason (missing: a program is not
// installed).
struct DesktopState {
  RealDesktop* desktop = nullptr;
  std::string why;
  bool missing = false;
};
inline DesktopState theDesktop;

// What the X server and the window manager say, through a connection of the test's own.
class XState {
 public:
  XState();
  ~XState();
  XState(const XState&) = delete;
  XState& operator=(const XState&) = delete;

  // The window that has the keyboard focus, and the one the window manager calls active.
  XWindow InputFocus();
  XWindow ActiveWindow();
  // Outer bounds on the screen (the window manager's frame included) of a top-level window.
  QRect Frame(XWindow window);
  // The managed windows from the bottom to the top of the stack.
  std::vector<XWindow> Stacking();
  // Whether a window is on screen (mapped, and so are its ancestors).
  bool Viewable(XWindow window);
  // A window's title (_NET_WM_NAME).
  std::string Title(XWindow window);

 private:
  xcb_connection_t* c_;
  XWindow root_ = 0;
  std::uint32_t active_ = 0, stacking_ = 0, name_ = 0, utf8_ = 0;
};

// The user's mouse and keyboard: xdotool, one command at a time, waited for. Safe from any thread.
void Xdo(const std::vector<std::string>& args);
inline void MouseTo(QPoint p) { Xdo({"mousemove", "--sync", std::to_string(p.x()), std::to_string(p.y())}); }
inline void MouseDown(int button) { Xdo({"mousedown", std::to_string(button)}); }
inline void MouseUp(int button) { Xdo({"mouseup", std::to_string(button)}); }
inline void ClickAt(QPoint p) {
  MouseTo(p);
  Xdo({"click", "1"});
}

// On the test's own thread: runs the event loop until done() holds; false when it did not within
// the bound.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(20));

// The user, on a thread of their own, so that the program's event loop runs on while they hold a
// button (a move in progress keeps the program inside its press handler). The user's thread waits
// with Poll and sees the desktop through an XState of its own. RunAsUser returns false when the
// user's script did not end within the bound.
bool RunAsUser(const std::function<void(XState& x)>& script,
               std::chrono::milliseconds bound = std::chrono::seconds(90));
bool Poll(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(20));

// With a button held: takes the pointer to `to` until done() holds (on the user's thread). A
// window manager's move begins a moment after the press, and the pointer's moves before it are
// lost: the pointer nudges and comes back until the window follows.
bool PointerDrags(QPoint to, const std::function<bool()>& done);

// Counts the presses of any mouse button on a widget as they arrive, before its handlers run.
class PressWatch : public QObject {
 public:
  PressWatch(QObject* watched, std::atomic<int>& presses) : presses_(presses) { watched->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress) ++presses_;
    return false;
  }

 private:
  std::atomic<int>& presses_;
};

// Another program: a window with a text box, in a process of its own, that takes the focus when
// it appears. What is typed into it is kept and reported when it ends.
class OtherProgram {
 public:
  ~OtherProgram();
  // Starts it and waits until its window is the active one; false (with a message) otherwise.
  bool Start(QRect where);
  XWindow window() const { return window_; }
  // Ends it and returns what was typed into its text box.
  std::string Finish();

 private:
  QProcess process_;
  XWindow window_ = 0;
};

// The other program's side: run by the test program when started with kOtherProgramArg.
inline constexpr const char* kOtherProgramArg = "--other-program";
int RunOtherProgram(int argc, char** argv);

}  // namespace tavrel::wmtest
