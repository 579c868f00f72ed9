// Files and folders on Windows: FindFirstFileA for what exists, the temporary folder from
// GetTempPathA.
#pragma once

#include "platform/win32/Win32Api.h"

#include "core/IFileSystem.h"

namespace tavrel {

class Win32FileSystem : public IFileSystem {
 public:
  // A path with the wildcards '*' or '?' names nothing: it would match other files.
  bool IsFolder(const std::string& path) override;
  // An existing file that is neither a folder nor hidden nor a system file.
  bool IsOrdinaryFile(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool AppendFile(const std::string& path, std::string_view data) override;
  bool AppendPieces(const std::string& path, std::initializer_list<std::string_view> pieces) override;
  std::optional<DiskSpace> SpaceOf(const std::string& folder) override;
  std::optional<std::string> ReadFile(const std::string& path) override;
  // Writes a new file beside the target and moves it over the target in one step. A private
  // file's access list grants its owner alone.
  bool ReplaceFile(const std::string& path, std::string_view data, bool privateFile) override;
  bool RemoveFile(const std::string& path) override;
  // GetTempPathA, however long the path; ends with '\'. Empty when the platform has none.
  std::string TempFolder() override;
  // The system's words for the last failure.
  std::string LastFailure() const override { return lastFailure_; }

 private:
  bool Failed();
  std::string lastFailure_;
};

}  // namespace tavrel
