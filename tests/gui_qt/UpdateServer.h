// The update window's world as a user's machine has it: a web server on 127.0.0.1 that answers by
// path (anything else is 404) and can hold one answer until the test lets it go, a scratch program
// folder and temporary folder, and the real file system, settings store and downloader.
#pragma once

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <memory>

#include "contracts/Contracts.h"
#include "contracts/http_server.h"
#include "core/Env.h"
#include "fakes/FakeEnv.h"
#include "platform/linux/CurlDownloader.h"
#include "platform/linux/LinuxFileSystem.h"
#include "settings/ProfileFile.h"

namespace tavrel::qt {

class UpdateServer {
 public:
  static constexpr const char* kVersionPath = "/downloads/software_updates/tavrel.txt";

  UpdateServer() {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) ::unsetenv(v);
    EXPECT_FALSE(scratch.path().empty());
    std::filesystem::create_directory(scratch / "app");
    std::filesystem::create_directory(scratch / "tmp");
    ::setenv("TMPDIR", (scratch / "tmp").c_str(), 1);
  }
  ~UpdateServer() {
    LetGo();
    ::unsetenv("TMPDIR");
  }
  // The fakes' environment with this folder, server and these services.
  std::unique_ptr<Env> MakeEnv(fakes::FakeEnv& f, IDesktop& desktop, IWindowManager& wm, IWindowStyle& style) {
    AppInfo app = f.env.app;
    app.folder = scratch / "app";
    app.server = "127.0.0.1:" + std::to_string(server.Port());
    return std::make_unique<Env>(Env{app, desktop, f.clock, files, profile, f.registry, f.connection, f.phonebook,
                                     f.tcp, f.addresses, f.sockets, downloader, wm, style});
  }
  void LetGo() {
    if (letGoSeen.wait_for(std::chrono::seconds(0)) != std::future_status::ready) letGo.set_value();
  }

  contract::Scratch scratch;
  std::map<std::string, testhttp::Reply> replies;
  std::string heldPath;
  std::promise<void> letGo;
  std::shared_future<void> letGoSeen = letGo.get_future().share();
  testhttp::Server server{[this](const testhttp::Request& r) {
    if (r.target == heldPath) letGoSeen.wait_for(std::chrono::seconds(30));
    const auto it = replies.find(r.target);
    return it == replies.end() ? testhttp::Status(404) : it->second;
  }};
  LinuxFileSystem files;
  ProfileFile profile{files};
  CurlDownloader downloader;
};

}  // namespace tavrel::qt
