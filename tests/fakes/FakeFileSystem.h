#pragma once

#include <map>
#include <set>
#include <string>

#include "core/IFileSystem.h"
#include "fakes/EventLog.h"
#include "fakes/Paths.h"

namespace tavrel::fakes {

// An in-memory file system with the platform's separator (see P). Folders must be created before
// files in them.
struct FakeFileSystem : IFileSystem, Logging {
  explicit FakeFileSystem(EventLog& log) : Logging(log) { folders.insert(P("/")); }

  bool IsFolder(const std::string& path) override { return folders.count(path) > 0; }
  bool IsOrdinaryFile(const std::string& path) override { return files.count(path) > 0; }
  bool CreateFolder(const std::string& path) override {
    log_.Add("CreateFolder " + path);
    if (readOnly || folders.count(path) || files.count(path) || !folders.count(Parent(path))) return false;
    folders.insert(path);
    return true;
  }
  bool AppendFile(const std::string& path, std::string_view data) override {
    log_.Add("AppendFile " + path);
    if (!Writable(path)) return false;
    files[path].append(data);
    return true;
  }
  std::optional<std::string> ReadFile(const std::string& path) override {
    if (unreadable.count(path)) return std::nullopt;
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool ReplaceFile(const std::string& path, std::string_view data, bool privateFile) override {
    log_.Add("ReplaceFile " + path);
    if (!Writable(path)) return false;
    files[path] = std::string(data);
    if (privateFile) privateFiles.insert(path);
    return true;
  }
  bool RemoveFile(const std::string& path) override {
    log_.Add("RemoveFile " + path);
    return !readOnly && files.erase(path) > 0;
  }
  std::optional<DiskSpace> SpaceOf(const std::string& folder) override {
    const auto it = space.find(folder);
    if (it == space.end()) return std::nullopt;
    return it->second;
  }
  std::string TempFolder() override { return tempFolder; }
  std::string LastFailure() const override { return lastFailure; }

  static std::string Parent(const std::string& path) {
    const auto slash = path.find_last_of(kPathSep);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? P("/") : path.substr(0, slash);
  }
  // Creates a folder and all its parents.
  void MakeFolders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i)
      if (i == path.size() || path[i] == kPathSep) folders.insert(path.substr(0, i));
  }

  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> unreadable;
  std::set<std::string> privateFiles;
  std::map<std::string, DiskSpace> space;  // by folder; a folder not listed: unknown
  std::string tempFolder = P("/tmp/");
  std::string lastFailure;
  bool readOnly = false;

 private:
  bool Writable(const std::string& path) {
    if (!readOnly && !folders.count(path) && folders.count(Parent(path))) return true;
    lastFailure = readOnly ? "read-only file system" : "no such folder";
    return false;
  }
};

}  // namespace tavrel::fakes
