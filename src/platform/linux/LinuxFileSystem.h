// Files and folders on Linux (POSIX calls), with the rules for files that hold the user's data
// (OwnFiles.h): only the user's own regular files are read, appended to or replaced, and a
// symbolic link is followed only when it is the user's own.
#pragma once

#include <string>

#include "core/IFileSystem.h"

namespace tavrel {

class LinuxFileSystem : public IFileSystem {
 public:
  bool IsFolder(const std::string& path) override;
  // The user's own regular file (through the user's own links); a dot-file counts as hidden.
  bool IsOrdinaryFile(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  // Never through another user's link or into another user's file; a pipe without a reader
  // fails at once instead of waiting.
  bool AppendFile(const std::string& path, std::string_view data) override;
  // One open and one write (writev) for all the pieces.
  bool AppendPieces(const std::string& path, std::initializer_list<std::string_view> pieces) override;
  // statvfs: the room left to an unprivileged user (f_bavail), not the root reserve.
  std::optional<DiskSpace> SpaceOf(const std::string& folder) override;
  // The user's own regular file, whole; a pipe or device swapped in is refused, not waited on.
  std::optional<std::string> ReadFile(const std::string& path) override;
  // An atomic replace only: the data goes into a temporary file in the folder of the real target
  // (a link of the user's own stays a link, and its target is replaced), which is then renamed
  // over it. A private file ends up 0600 whatever it was; another file keeps its mode without
  // write access for others. When the replace cannot be done nothing is changed and the call
  // fails: never a rewrite in place.
  bool ReplaceFile(const std::string& path, std::string_view data, bool privateFile) override;
  bool RemoveFile(const std::string& path) override;
  // $TMPDIR when set to an absolute path; otherwise a folder of the user's own,
  // $XDG_CACHE_HOME/Tavrel/tmp (default ~/.cache/Tavrel/tmp), made 0700 when missing and checked
  // before every use to be a folder of the user's, not a link, that no one else may write.
  // Ends with "/"; empty when there is none (LastFailure says why).
  std::string TempFolder() override;
  std::string LastFailure() const override { return lastFailure_; }

  // The private temporary folder for a cache home (TempFolder's rule without $TMPDIR), made when
  // missing, without the trailing "/" and not yet checked.
  static std::string PrivateTempFolderFor(const std::string& cacheHome);

 private:
  bool Fail(std::string why);
  std::string lastFailure_;
};

}  // namespace tavrel
