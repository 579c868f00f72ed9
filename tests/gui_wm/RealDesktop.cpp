#include "RealDesktop.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace tavrel::wmtest {

using namespace std::chrono_literals;

bool Poll(const std::function<bool()>& done, std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

namespace {

// Starts a program that ends with the test program, its output discarded; keepFd stays open in
// it. Everything the child needs is made before the fork, so that the child of this many-threaded
// process only makes system calls.
pid_t Spawn(const std::vector<std::string>& argv, int keepFd = -1) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(127);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(null, 2);
  if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

// Waits up to `wait` for the program to end by itself, then asks it to end, then ends it.
void Stop(pid_t& pid, std::chrono::milliseconds wait = 0ms) {
  if (pid <= 0) return;
  const auto ended = [&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; };
  if (!Poll(ended, wait)) {
    ::kill(pid, SIGTERM);
    if (!Poll(ended, 5s)) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  pid = -1;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(r);
  return a;
}

std::vector<XWindow> WindowsProperty(xcb_connection_t* c, XWindow w, xcb_atom_t property) {
  std::vector<XWindow> out;
  xcb_get_property_reply_t* r =
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_WINDOW, 0, 4096), nullptr);
  if (r && r->format == 32) {
    const auto* v = static_cast<const XWindow*>(xcb_get_property_value(r));
    out.assign(v, v + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
  return out;
}

}  // namespace

std::unique_ptr<RealDesktop> RealDesktop::Start(std::string& why, bool& missing) {
  missing = false;
  for (const char* program : {"Xvfb", "openbox", "xdotool"}) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
      why = std::string(program) + " is not installed (scripts/install-deps installs it)";
      missing = true;
      return nullptr;
    }
  }
  std::unique_ptr<RealDesktop> d(new RealDesktop);

  // Xvfb picks a free display itself and writes its number to the pipe once it takes clients.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    why = "no pipe";
    return nullptr;
  }
  d->xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-dpi", "96",
                    "-nolisten", "tcp", "-noreset"},
                   fds[1]);
  ::close(fds[1]);
  std::string number;
  const bool told = Poll(
      [&] {
        char buf[32];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n > 0) number.append(buf, static_cast<std::size_t>(n));
        return n == 0 || number.find('\n') != std::string::npos;  // n == 0: Xvfb ended
      },
      30s);
  ::close(fds[0]);
  if (!told || number.find('\n') == std::string::npos) {
    why = "Xvfb did not start";
    return nullptr;
  }
  d->display_ = ":" + number.substr(0, number.find('\n'));

  // openbox with its own scratch folders, so that nothing of the user's own desktop is read or
  // written.
  char tmpl[] = "/tmp/tavrel-wm-XXXXXX";
  if (!::mkdtemp(tmpl)) {
    why = "no scratch folder";
    return nullptr;
  }
  d->scratch_ = tmpl;
  d->wm_ = Spawn({"env", "DISPLAY=" + d->display_, "XDG_CONFIG_HOME=" + d->scratch_ + "/config",
                  "XDG_CACHE_HOME=" + d->scratch_ + "/cache", "XDG_DATA_HOME=" + d->scratch_ + "/data", "openbox",
                  "--sm-disable"});

  // The window manager is there once its check window names itself, and ready once it gives the
  // focus to a new window as it will to the tests' windows (while it starts up, it manages new
  // windows without focusing them).
  xcb_connection_t* c = xcb_connect(d->display_.c_str(), nullptr);
  bool ready = false;
  if (c && !xcb_connection_has_error(c)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const XWindow root = screen->root;
    const xcb_atom_t check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t active = Atom(c, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t clients = Atom(c, "_NET_CLIENT_LIST");
    ready = Poll(
        [&] {
          const auto w = WindowsProperty(c, root, check);
          return !w.empty() && WindowsProperty(c, w[0], check) == w;
        },
        30s);
    // A window mapped while the window manager still starts up is managed without the focus: a
    // probe window that gets no focus within a second is replaced by a new one.
    bool focused = false;
    for (int probes = 0; ready && !focused && probes < 30; ++probes) {
      const XWindow probe = xcb_generate_id(c);
      xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                        screen->root_visual, 0, nullptr);
      xcb_map_window(c, probe);
      xcb_flush(c);
      focused = Poll([&] { return WindowsProperty(c, root, active) == std::vector<XWindow>{probe}; }, 1s);
      xcb_destroy_window(c, probe);
      xcb_flush(c);
    }
    ready = focused && Poll([&] { return WindowsProperty(c, root, clients).empty(); }, 30s);
  }
  if (c) xcb_disconnect(c);
  if (!ready) {
    why = "openbox did not take the screen";
    return nullptr;
  }
  return d;
}

RealDesktop::~RealDesktop() {
  Stop(wm_);
  Stop(xvfb_);
  if (!scratch_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(scratch_, ec);
  }
}

// --- XState ------------------------------------------------------------------------------------

XState::XState() : c_(xcb_connect(nullptr, nullptr)) {
  root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
  active_ = Atom(c_, "_NET_ACTIVE_WINDOW");
  stacking_ = Atom(c_, "_NET_CLIENT_LIST_STACKING");
  name_ = Atom(c_, "_NET_WM_NAME");
  utf8_ = Atom(c_, "UTF8_STRING");
}

XState::~XState() { xcb_disconnect(c_); }

XWindow XState::InputFocus() {
  xcb_get_input_focus_reply_t* r = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
  const XWindow w = r ? r->focus : 0;
  std::free(r);
  return w;
}

XWindow XState::ActiveWindow() {
  const auto w = WindowsProperty(c_, root_, active_);
  return w.empty() ? 0 : w[0];
}

QRect XState::Frame(XWindow window) {
  // Up to the window manager's frame: the ancestor whose parent is the root.
  XWindow w = window;
  for (int depth = 0; depth < 16; ++depth) {
    xcb_query_tree_reply_t* t = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
    if (!t) return {};
    const XWindow parent = t->parent;
    std::free(t);
    if (parent == root_ || parent == 0) break;
    w = parent;
  }
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
  if (!g) return {};
  const QRect r(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
  std::free(g);
  return r;
}

std::vector<XWindow> XState::Stacking() { return WindowsProperty(c_, root_, stacking_); }

bool XState::Viewable(XWindow window) {
  xcb_get_window_attributes_reply_t* r =
      xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr);
  const bool viewable = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
  std::free(r);
  return viewable;
}

std::string XState::Title(XWindow window) {
  xcb_get_property_reply_t* r =
      xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, name_, utf8_, 0, 1024), nullptr);
  std::string title;
  if (r) title.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
  std::free(r);
  return title;
}

// --- Input and waiting -------------------------------------------------------------------------

void Xdo(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_t pid = Spawn(argv);
  Stop(pid, 20s);
}

// The waits run the program's event loop as the program itself runs it: a loop that blocks when
// it has nothing to do (what the program defers to that moment happens), with a look at `done`
// every 10 ms.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
  // What the test itself closed (outside any loop) goes first, as it would in the program's loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (done()) return true;
  QEventLoop loop;
  QTimer look, end;
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
  look.start(10);
  end.setSingleShot(true);
  end.start(bound);
  loop.exec();
  return done();
}

bool RunAsUser(const std::function<void(XState& x)>& script, std::chrono::milliseconds bound) {
  std::atomic<bool> finished{false}, failed{false};
  std::thread user([&] {
    XState x;
    script(x);
    if (::testing::Test::HasFailure()) {
      // Whatever the program waits for will not come: let go of every button, and have the
      // program's open box closed below, so that its loops end and the test can report.
      for (const char* b : {"1", "2", "3"}) Xdo({"mouseup", b});
      failed = true;
    }
    finished = true;
  });
  QTimer rescue;  // runs inside the program's own loops too (a box, a move)
  QObject::connect(&rescue, &QTimer::timeout, [&] {
    if (!failed) return;
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  rescue.start(50);
  const bool ok = WaitUntil([&] { return finished.load(); }, bound);
  // Past the bound the script is still running: it ends once its own waits run out.
  while (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  user.join();
  return ok;
}

bool PointerDrags(QPoint to, const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    MouseTo(to + QPoint(1, 0));
    MouseTo(to);
    if (Poll(done, 500ms)) return true;
  }
  return false;
}

// --- The other program -------------------------------------------------------------------------

OtherProgram::~OtherProgram() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

bool OtherProgram::Start(QRect where) {
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.start(QCoreApplication::applicationFilePath(),
                 {QString::fromLatin1(kOtherProgramArg), QString::number(where.x()), QString::number(where.y()),
                  QString::number(where.width()), QString::number(where.height())});
  const bool announced = WaitUntil([&] { return process_.canReadLine(); });
  if (!announced) return false;
  const QByteArray line = process_.readLine().trimmed();
  if (!line.startsWith("window ")) return false;
  window_ = line.mid(7).toUInt();
  XState x;
  return WaitUntil([&] { return x.ActiveWindow() == window_ && x.InputFocus() == window_; });
}

std::string OtherProgram::Finish() {
  process_.write("quit\n");
  WaitUntil([&] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; });
  const QByteArray line = process_.readLine();
  process_.waitForFinished(10000);
  if (!line.startsWith("typed ")) return "(no answer)";
  return line.mid(6).trimmed().toStdString();
}

int RunOtherProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.setWindowTitle(QStringLiteral("Other program"));
  auto* edit = new QLineEdit(&w);
  (new QVBoxLayout(&w))->addWidget(edit);
  if (argc >= 6) w.setGeometry(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  w.show();
  w.activateWindow();
  edit->setFocus();
  bool announced = false;
  QObject::connect(&app, &QGuiApplication::focusWindowChanged, &app, [&](QWindow* now) {
    if (announced || now != w.windowHandle()) return;
    announced = true;
    std::printf("window %llu\n", static_cast<unsigned long long>(w.winId()));
    std::fflush(stdout);
  });
  QSocketNotifier in(0, QSocketNotifier::Read);
  QObject::connect(&in, &QSocketNotifier::activated, &app, [&] {
    char buf[64];
    if (::read(0, buf, sizeof buf) <= 0 || std::strncmp(buf, "quit", 4) == 0) {
      std::printf("typed %s\n", edit->text().toStdString().c_str());
      std::fflush(stdout);
      app.quit();
    }
  });
  return app.exec();
}

}  // namespace tavrel::wmtest
