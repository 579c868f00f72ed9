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

std::string GetSetting(Env& env, const std::string&, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  return env.profile.GetPrivateProfileString(section, key, defaultValue, kReadBuffer, IniFilePath(env));
}

bool SaveSetting(Env& env, const std::string&, const std::string& section, const std::string& key,
                 const std::string& value) {
  return env.profile.WritePrivateProfileString(section, key, value, IniFilePath(env));
}

std::string WriteFailure(Env& env) {
  const std::string why = env.profile.LastFailure();
  if (why.empty()) return {};
  std::string text = IniFilePath(env) + ": " + why;
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace tavrel::modSettings
