// A whole environment of fakes for the behaviour's tests: program folder /app, no settings
// file, a LAN connection, an empty phonebook and empty tables, and one log of every call.
#pragma once

#include "core/Env.h"
#include "fakes/EventLog.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeMonitor.h"
#include "fakes/FakeNetInfo.h"
#include "fakes/FakeServices.h"
#include "settings/ProfileFile.h"

namespace tavrel::fakes {

struct FakeEnv {
  FakeEnv();
  // The settings file's path and content (empty when missing).
  std::string IniPath() const;
  std::string IniText() const;
  // Reads and writes a setting through the real store.
  std::string Get(const std::string& section, const std::string& key, const std::string& def = "");
  void Save(const std::string& section, const std::string& key, const std::string& value);

  EventLog log;
  FakeDesktop desktop{log};
  FakeClock clock;
  FakeFileSystem fs{log};
  ProfileFile profile{fs};
  FakeRegistry registry{log};
  FakeConnectionState connection{log};
  FakePhonebook phonebook{log};
  FakeTcpTable tcp{log};
  FakeAddressTable addresses{log};
  FakeSockets sockets{log};
  FakeDownloader downloader{log, fs};
  FakeWindowManager wm{log};
  FakeWindowStyle style{log};
  Env env;
};

}  // namespace tavrel::fakes
