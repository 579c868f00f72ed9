// The profile-file facility on the project's own INI reader and writer, over a file system.
//
// Every call reads the file afresh; nothing is cached. A write replaces the whole file at once
// and creates a new file readable by its owner only (it holds the account's password).
#pragma once

#include "core/IFileSystem.h"
#include "core/IProfile.h"

namespace tavrel {

class ProfileFile : public IProfile {
 public:
  explicit ProfileFile(IFileSystem& fs) : fs_(fs) {}
  // A file that is missing or cannot be read gives the default.
  std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, std::size_t bufferSize,
                                      const std::string& path) override;
  // False when nothing was stored: the file exists but cannot be read (it is left as it is
  // rather than replaced by a file holding only this key), the names or the value cannot be
  // stored in the layout (see ini::WriteValue), or the file system refused the write.
  bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                 const std::string& path) override;
  std::string LastFailure() const override { return lastFailure_; }

 private:
  IFileSystem& fs_;
  std::string lastFailure_;
};

}  // namespace tavrel
