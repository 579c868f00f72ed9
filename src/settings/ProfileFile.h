// The profile-file facility on the project's own INI reader and writer, over a file system.
#pragma once

#include "app/IFileSystem.h"
#include "settings/IProfile.h"

namespace tavrel {

class ProfileFile : public IProfile {
 public:
  explicit ProfileFile(IFileSystem& fs) : fs_(fs) {}
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, std::size_t bufferSize,
                                      const std::string& path) override;
  bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                 const std::string& value, const std::string& path) override;

 private:
  IFileSystem& fs_;
};

}  // namespace tavrel
