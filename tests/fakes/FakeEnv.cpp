#include "fakes/FakeEnv.h"

#include "settings/modSettings.h"

namespace tavrel::fakes {

namespace {
AppInfo TestAppInfo() {
  AppInfo app;
  app.folder = P("/app");
  app.exeName = "tavrel";
  app.server = "updates.test:8080";
  return app;
}
}  // namespace

FakeEnv::FakeEnv()
    : env{TestAppInfo(), desktop, clock,     fs,      profile,    registry, connection,
          phonebook,     tcp,     addresses, sockets, downloader, wm,       style} {
  fs.MakeFolders(P("/app"));
  fs.MakeFolders(P("/tmp"));
}

std::string FakeEnv::IniPath() const { return modSettings::IniFilePath(env); }

std::string FakeEnv::IniText() const {
  const auto it = fs.files.find(IniPath());
  return it == fs.files.end() ? std::string() : it->second;
}

std::string FakeEnv::Get(const std::string& section, const std::string& key, const std::string& def) {
  return modSettings::GetSetting(env, env.app.title, section, key, def);
}

void FakeEnv::Save(const std::string& section, const std::string& key, const std::string& value) {
  modSettings::SaveSetting(env, env.app.title, section, key, value);
}

}  // namespace tavrel::fakes
