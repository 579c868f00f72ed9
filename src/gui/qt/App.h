// The Linux composition root: one platform, one toolkit, the main window.
#pragma once

#include <functional>
#include <memory>

#include "core/Env.h"
#include "gui/qt/MainWindow.h"
#include "gui/qt/QtDesktop.h"
#include "gui/qt/QtWindowManager.h"
#include "gui/qt/QtWindowStyle.h"
#include "platform/linux/CurlDownloader.h"
#include "platform/linux/LinuxAddressTable.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxConnectionState.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxPhonebook.h"
#include "platform/linux/LinuxSockets.h"
#include "platform/linux/LinuxTcpTable.h"
#include "platform/linux/XdgAutostart.h"
#include "settings/ProfileFile.h"

namespace tavrel::qt {

struct LinuxPlatform {
  explicit LinuxPlatform(AppInfo app);
  LinuxFileSystem fs;
  LinuxClock clock;
  QtDesktop desktop;
  ProfileFile profile{fs};
  XdgAutostart registry;
  LinuxConnectionState connection;
  LinuxPhonebook phonebook;
  LinuxTcpTable tcp;
  LinuxAddressTable addresses;
  LinuxSockets sockets;
  CurlDownloader downloader;
  QtWindowManager wm;
  QtWindowStyle style{wm};
  Env env;
};

// Starts the program: the main window is created (its timer running) and loaded.
class App {
 public:
  // The Linux program. beforeLoad runs once the main window exists, before it is shown and loaded.
  // The load runs once the window has been painted for the first time.
  explicit App(AppInfo app, const std::function<void(Env&, MainWindow&)>& beforeLoad = {});
  // The program's windows over another environment (the tests' fakes); wm must be env's.
  App(Env& env, QtWindowManager& wm);
  MainWindow& mainWindow() { return *main_; }

 private:
  void Start(QtWindowManager& wm, const std::function<void(Env&, MainWindow&)>& beforeLoad);

  std::unique_ptr<LinuxPlatform> platform_;
  Env* env_ = nullptr;
  std::unique_ptr<MainWindow> main_;
};

}  // namespace tavrel::qt
