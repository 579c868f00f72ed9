#include "settings/modSettings.h"

namespace tavrel::modSettings {

namespace {
constexpr std::size_t kReadBuffer = 155;  // 154 characters and the terminating zero
}

std::string IniFilePath(const Env& env) {
  std::string name = env.app.title;
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  return env.app.InFolder(name + ".ini");
}

std::string GetSetting(Env& env, const std::string&, const std::string& section,
                       const std::string& key, const std::string& defaultValue) {
  return env.profile.GetPrivateProfileString(section, key, defaultValue, kReadBuffer,
                                             IniFilePath(env));
}

void SaveSetting(Env& env, const std::string&, const std::string& section, const std::string& key,
                 const std::string& value) {
  env.profile.WritePrivateProfileString(section, key, value, IniFilePath(env));
}

}  // namespace tavrel::modSettings
