// Tavrel on Linux: the Qt desktop program.
#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "gui/qt/App.h"
#include "platform/linux/LinuxAppInfo.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int sig) {
  const unsigned char b = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &b, 1);
}

}  // namespace

int main(int argc, char** argv) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if ((!platform || !*platform) && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fprintf(stderr, "tavrel: no display found; running on Qt's offscreen platform "
                         "(the window is not visible; the logs are written as usual)\n");
  }
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrel"));
  QApplication::setQuitOnLastWindowClosed(false);

  tavrel::qt::App app(tavrel::LinuxAppInfo());
  auto& window = app.mainWindow();

  // Signals arrive through a pipe, so that the window closes on the UI thread. Ctrl+C closes the
  // program as its own exit button does; a request to terminate or a hang-up is treated like the
  // end of the desktop session, so that the program registers to start again at the next logon.
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &qapp);
    QObject::connect(notifier, &QSocketNotifier::activated, &qapp, [&window] {
      unsigned char sig = 0;
      if (::read(signalPipe[0], &sig, 1) != 1) return;
      window.CloseFor(sig == SIGINT ? tavrel::unload::kCode : tavrel::unload::kAppWindows);
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
  }
  // The session manager ending the session (logout, shut-down).
  QObject::connect(&qapp, &QGuiApplication::commitDataRequest, &qapp,
                   [&window](QSessionManager&) { window.CloseFor(tavrel::unload::kAppWindows); });

  return QApplication::exec();
}
