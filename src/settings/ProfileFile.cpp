#include "settings/ProfileFile.h"

#include "settings/IniText.h"

namespace tavrel {

std::string ProfileFile::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                 const std::string& defaultValue, std::size_t bufferSize,
                                                 const std::string& path) {
  const std::optional<std::string> text = fs_.ReadFile(path);
  return ini::ReadValue(text ? std::string_view(*text) : std::string_view(), section, key, defaultValue, bufferSize);
}

bool ProfileFile::WritePrivateProfileString(const std::string& section, const std::string& key,
                                            const std::string& value, const std::string& path) {
  lastFailure_.clear();
  const std::optional<std::string> text = fs_.ReadFile(path);
  // Something is there that could not be read: keep it rather than lose its other settings.
  if (!text && (fs_.IsOrdinaryFile(path) || fs_.IsFolder(path))) {
    lastFailure_ = fs_.IsFolder(path) ? "a folder" : "it cannot be read (" + fs_.LastFailure() + ")";
    return false;
  }

  const std::string_view current = text ? std::string_view(*text) : std::string_view();
  const std::optional<std::string> updated = ini::WriteValue(current, section, key, value);
  if (!updated) {
    lastFailure_ = "the value of " + key + " cannot be stored in a settings file";
    return false;
  }
  if (fs_.ReplaceFile(path, *updated, /*privateFile=*/true)) return true;
  lastFailure_ = fs_.LastFailure();
  return false;
}

}  // namespace tavrel
