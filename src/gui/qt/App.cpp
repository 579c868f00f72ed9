#include "gui/qt/App.h"

namespace tavrel::qt {

LinuxPlatform::LinuxPlatform(AppInfo app)
    : desktop(app.title), env{std::move(app), desktop, clock,     fs,      profile,    registry, connection,
                              phonebook,      tcp,     addresses, sockets, downloader, wm,       style} {}

App::App(AppInfo app, const std::function<void(Env&, MainWindow&)>& beforeLoad)
    : platform_(std::make_unique<LinuxPlatform>(std::move(app))) {
  env_ = &platform_->env;
  Start(platform_->wm, beforeLoad);
}

App::App(Env& env, QtWindowManager& wm) : env_(&env) { Start(wm, {}); }

void App::Start(QtWindowManager& wm, const std::function<void(Env&, MainWindow&)>& beforeLoad) {
  main_ = std::make_unique<MainWindow>(*env_, wm);
  if (beforeLoad) beforeLoad(*env_, *main_);
  // The window is on screen first; the load (the start-up report's host lookups, the connection
  // table, the first log writes) follows its first paint, in its own order.
  main_->show();
  main_->AfterFirstPaint([this] { main_->form().Form_Load(); });
}

}  // namespace tavrel::qt
