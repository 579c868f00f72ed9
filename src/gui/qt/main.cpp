// Tavrel on Linux: the Qt desktop program.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "forms/frmUpdate.h"
#include "gui/qt/App.h"
#include "gui/qt/ImageButton.h"
#include "gui/qt/UpdateWindow.h"
#include "platform/linux/LinuxAppInfo.h"
#include "platform/linux/LoginSession.h"
#include "platform/linux/OwnFiles.h"
#include "platform/linux/StopRequest.h"
#include "settings/modSettings.h"
#include "update/modTemp.h"

namespace {

// The signal handler's way to the event loop: the handler writes the signal's number into one
// end (the only thing it may safely do) and a socket notifier reads it on the UI thread.
int signalPipe[2] = {-1, -1};

// Whatever blocks is given up at once (a dial, a transfer, a host lookup); the window closes on
// the UI thread as soon as the pipe is read.
void OnSignal(int sig) {
  tavrel::linux_platform::RequestStop();
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &b, 1);
  errno = saved;
}

// The close reason of a signal. Ctrl+C closes the program as its own exit button does. SIGTERM
// (and a hang-up) is another program asking it to end, unless the login manager is closing the
// session: then it is the end of the session, and the program registers to start again once at
// the next logon.
int ReasonOf(int sig) {
  if (sig == SIGINT) return tavrel::unload::kCode;
  return tavrel::linux_platform::SessionClosing() ? tavrel::unload::kAppWindows : tavrel::unload::kAppTaskManager;
}

// Temporary files that a write left when the program was killed in its middle (they may hold the
// password): removed before anything else touches those files.
void RemoveLeftovers(tavrel::Env& env) {
  using tavrel::linux_platform::RemoveLeftovers;
  RemoveLeftovers(tavrel::modSettings::IniFilePath(env));
  RemoveLeftovers(env.app.InFolder(tavrel::update::kVersionFileName));
  const std::string archive = tavrel::modTemp::LocalArchivePath(env);
  if (!archive.empty()) RemoveLeftovers(archive);
}

}  // namespace

int main(int argc, char** argv) {
  // The account's password lives in this process: no core dump of it, and no other process of
  // the user may read its memory.
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if ((!platform || !*platform) && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fprintf(stderr,
                 "tavrel: no display found; running on Qt's offscreen platform "
                 "(the window is not visible; the logs are written as usual)\n");
  }
  // Signals are caught from the start: one that comes while Qt starts or the main window loads
  // waits in the pipe and closes the program properly as soon as the load has ended.
  const bool signalsCaught = ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0;
  if (signalsCaught) {
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
  }

  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrel"));
  // The launcher's id and picture: the desktop matches the windows to the launcher (StartupWMClass
  // names the application name, Wayland the id), and every window and the taskbar show the icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(TAVREL_APP_ID));
  // The icon's sizes come drawn already, so that showing the first window parses no SVG.
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128})
    icon.addPixmap(tavrel::qt::DrawnPicture(QStringLiteral(":/start/icon_%1.png").arg(size), {size, size}, 1.0));
  QApplication::setWindowIcon(icon);
  QApplication::setQuitOnLastWindowClosed(false);

  // The main window exists before the first event runs (its load lets events run).
  tavrel::qt::MainWindow* window = nullptr;
  if (signalsCaught) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &qapp);
    QObject::connect(notifier, &QSocketNotifier::activated, &qapp, [&window] {
      unsigned char sig = 0;
      if (::read(signalPipe[0], &sig, 1) != 1 || !window) return;
      window->CloseFor(ReasonOf(sig));
    });
  }

  tavrel::qt::App app(tavrel::LinuxAppInfo(), [&window](tavrel::Env& env, tavrel::qt::MainWindow& w) {
    RemoveLeftovers(env);
    window = &w;
    // After the unload the process ends on the spot: no handler that was paused under the
    // closing one (a message box, a transfer, the load itself) may run on and write or open
    // anything. A transfer still running kept the update window from closing: its unload runs
    // now.
    w.endProcess = [&w] {
      w.updates().UnloadForExit();
      std::fflush(nullptr);
      ::_exit(0);
    };
  });
  // The session manager ending the session (logout, shut-down).
  QObject::connect(&qapp, &QGuiApplication::commitDataRequest, &qapp,
                   [window](QSessionManager&) { window->CloseFor(tavrel::unload::kAppWindows); });

  return QApplication::exec();
}
