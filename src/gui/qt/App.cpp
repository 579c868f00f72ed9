#include "gui/qt/App.h"

#include "gui/qt/SettingsWindow.h"
#include "gui/qt/UpdateWindow.h"

namespace tavrel::qt {

LinuxPlatform::LinuxPlatform(AppInfo app)
    : desktop(app.title),
      env{std::move(app), desktop, clock,     fs,      profile,    registry, connection,
          phonebook,      tcp,     addresses, sockets, downloader, wm,       style} {}

App::App(AppInfo app, const std::function<void(Env&, MainWindow&)>& beforeLoad)
    : platform_(std::make_unique<LinuxPlatform>(std::move(app))) {
  env_ = &platform_->env;
  Start(platform_->wm, beforeLoad);
}

App::App(Env& env, QtWindowManager& wm) : env_(&env) { Start(wm, {}); }

void App::Start(QtWindowManager& wm, const std::function<void(Env&, MainWindow&)>& beforeLoad) {
  wm_ = &wm;
  main_ = std::make_unique<MainWindow>(*env_, wm);
  main_->openSettings = [this] { OpenSettingsWindow(*env_, *wm_, *main_); };
  main_->openMenu = [this](long left, long top) { menuWindow().ShowAt(left, top); };
  main_->closeMenu = [this] {
    if (menu_) menu_->Unload();
  };
  if (beforeLoad) beforeLoad(*env_, *main_);
  // The window is on screen first; the load (the start-up report's host lookups, the connection
  // table, the first log writes) follows its first paint, in its own order.
  main_->show();
  main_->AfterFirstPaint([this] { main_->form().Form_Load(); });
}

// Made when it is first opened: a program that runs for weeks may never need it.
MenuWindow& App::menuWindow() {
  if (!menu_) {
    menu_ = std::make_unique<MenuWindow>(*env_, *wm_, main_->timer(), main_->Handle());
    menu_->openUpdate = [this] { UpdateWindow::Open(*env_, *wm_, main_->Handle()); };
  }
  return *menu_;
}

}  // namespace tavrel::qt
