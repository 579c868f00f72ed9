#include "gui/qt/App.h"

#include "gui/qt/SettingsWindow.h"

namespace tavrel::qt {

LinuxPlatform::LinuxPlatform(AppInfo app)
    : desktop(app.title),
      env{std::move(app), desktop, clock,     fs,      profile,    registry, connection,
          phonebook,      tcp,     addresses, sockets, downloader, wm,       style} {}

App::App(AppInfo app) : platform_(std::move(app)) {
  main_ = std::make_unique<MainWindow>(platform_.env, platform_.wm);
  main_->openSettings = [this] { OpenSettingsWindow(platform_.env, platform_.wm, *main_); };
  main_->show();
  main_->form().Form_Load();
}

}  // namespace tavrel::qt
