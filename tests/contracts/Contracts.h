// The interface contracts that the Linux and the Win32 implementations both keep. Each test
// program links one platform, whose factories (contracts/<platform>/Factories.cpp) hand the
// contract tests its implementations.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/IDownloader.h"
#include "core/IFileSystem.h"
#include "core/INetTables.h"
#include "core/IProfile.h"
#include "core/ISockets.h"

namespace tavrel::contract {

using std::chrono::milliseconds;

// A downloader with short bounds: connect, stall (no byte for this long) and the whole transfer.
std::unique_ptr<IDownloader> MakeDownloader(milliseconds connect, milliseconds stall, milliseconds total);
std::unique_ptr<ITcpTable> MakeTcpTable();
std::unique_ptr<IAddressTable> MakeAddressTable();
std::unique_ptr<ISockets> MakeSockets();
// The settings file facility the program uses on the platform.
std::unique_ptr<IProfile> MakeProfile();
std::unique_ptr<IFileSystem> MakeFileSystem();

// A fresh folder of its own, removed with everything in it when the object goes.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The platform's own path text of a name in the folder.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole content of a file, or nothing.
std::optional<std::string> Slurp(const std::string& path);
bool Spit(const std::string& path, const std::string& content);
// The names in a folder, hidden ones included, sorted.
std::vector<std::string> Names(const std::filesystem::path& folder);

}  // namespace tavrel::contract
