#include "gui/qt/App.h"

#include "gui/qt/SettingsWindow.h"
#include "gui/qt/UpdateWindow.h"

namespace tavrel::qt {

LinuxPlatform::LinuxPlatform(AppInfo app)
    : desktop(app.title),
      env{std::move(app), desktop, clock,     fs,      profile,    registry, connection,
          phonebook,      tcp,     addresses, sockets, downloader, wm,       style} {}

App::App(AppInfo app, const std::function<void(Env&, MainWindow&)>& beforeLoad)
    : platform_(std::move(app)) {
  main_ = std::make_unique<MainWindow>(platform_.env, platform_.wm);
  main_->openSettings = [this] { OpenSettingsWindow(platform_.env, platform_.wm, *main_); };
  menu_ = std::make_unique<MenuWindow>(platform_.env, platform_.wm, main_->timer(), main_->Handle());
  menu_->openUpdate = [this] { UpdateWindow::Open(platform_.env, platform_.wm, main_->Handle()); };
  main_->openMenu = [this](long left, long top) { menu_->ShowAt(left, top); };
  main_->closeMenu = [this] { menu_->Unload(); };
  if (beforeLoad) beforeLoad(platform_.env, *main_);
  main_->show();
  main_->form().Form_Load();
}

}  // namespace tavrel::qt
