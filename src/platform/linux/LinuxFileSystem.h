// Files and folders on Linux (POSIX calls).
#pragma once

#include "core/IFileSystem.h"

namespace tavrel {

class LinuxFileSystem : public IFileSystem {
 public:
  bool IsFolder(const std::string& path) override;
  // A dot-file counts as hidden, so it is no ordinary file.
  bool IsOrdinaryFile(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool AppendFile(const std::string& path, std::string_view data) override;
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool ReplaceFile(const std::string& path, std::string_view data, bool privateFile) override;
  bool RemoveFile(const std::string& path) override;
  // $TMPDIR when set to an absolute path, otherwise /tmp/; always ends with "/".
  std::string TempFolder() override;
};

}  // namespace tavrel
