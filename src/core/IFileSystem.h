// The file operations the behaviour needs. Paths are the platform's own (8-bit) text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// The room on the file system that holds a folder, in bytes.
struct DiskSpace {
  std::uint64_t available = 0;  // what this user may still write
  std::uint64_t total = 0;      // the file system's size
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // True when the path names an existing folder.
  virtual bool IsFolder(const std::string& path) = 0;
  // True when the path names an existing ordinary file: not a folder, not hidden, not a
  // system file, and one this program may trust (on a multi-user system: the user's own).
  virtual bool IsOrdinaryFile(const std::string& path) = 0;
  // Creates one folder (the parent must exist). False when it could not be created.
  virtual bool CreateFolder(const std::string& path) = 0;
  // Appends to a file, creating it when missing. False when nothing or not all was written.
  virtual bool AppendFile(const std::string& path, std::string_view data) = 0;
  // Appends the pieces one after another in one opening of the file, so that a reader never
  // sees some of them without the others. Same rules and result as AppendFile.
  virtual bool AppendPieces(const std::string& path, std::initializer_list<std::string_view> pieces) {
    std::string whole;
    for (const std::string_view p : pieces) whole.append(p);
    return AppendFile(path, whole);
  }
  // The room on the file system that holds the folder; nothing when it cannot be told.
  virtual std::optional<DiskSpace> SpaceOf(const std::string& /*folder*/) { return std::nullopt; }
  // The whole content of a file, or nothing when it cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  // Replaces a file's content as a whole, so that a reader never sees half of it. A private
  // file is readable and writable by its owner only. False when the content was not stored.
  virtual bool ReplaceFile(const std::string& path, std::string_view data, bool privateFile) = 0;
  // Deletes a file. False when it did not exist or could not be removed.
  virtual bool RemoveFile(const std::string& path) = 0;
  // The temporary folder, ending with a separator (the platform's temporary-path rule); empty
  // when there is none the program may use.
  virtual std::string TempFolder() = 0;
  // Why the last call that failed (false or nothing) failed, in a few words for the user
  // ("owned by another user", "No space left on device"); empty when no reason is known.
  virtual std::string LastFailure() const { return {}; }
};

}  // namespace tavrel
