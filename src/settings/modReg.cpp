#include "settings/modReg.h"

namespace tavrel::modReg {

bool SetRegistryValue(Env& env, std::uint32_t root, const std::string& subKey, const std::string& valueName,
                      const std::string& data) {
  return env.registry.SetRegistryValue(root, subKey, valueName, data);
}

void DeleteRegistryValue(Env& env, std::uint32_t root, const std::string& subKey, const std::string& valueName) {
  env.registry.DeleteRegistryValue(root, subKey, valueName);
}

std::string ProgramCommand(const Env& env) {
  // Where the platform knows the executable's own path, that is what starts: the program folder
  // may be elsewhere (an installed copy keeps its files in the user's data folder).
  if (!env.app.exePath.empty()) return env.app.exePath;
#ifdef _WIN32
  return env.app.folder + kPathSep + env.app.exeName + ".exe";
#else
  return env.app.folder + kPathSep + env.app.exeName;
#endif
}

}  // namespace tavrel::modReg
