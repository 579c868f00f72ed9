#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/IConnectionState.h"
#include "core/IPhonebook.h"
#include "fakes/EventLog.h"

namespace tavrel::fakes {

struct FakeConnectionState : IConnectionState, Logging {
  using Logging::Logging;
  int InternetGetConnectedState(std::uint32_t& f) override {
    log_.Add("InternetGetConnectedState");
    ++queries;
    if (!upcoming.empty()) {  // scripted answers first, one per query
      const auto [r, fl] = upcoming.front();
      upcoming.pop_front();
      f = fl;
      return r;
    }
    f = flags;
    return result;
  }
  int IsNetworkAlive(std::uint32_t& f) override {
    log_.Add("IsNetworkAlive");
    f = aliveFlags;
    return aliveResult;
  }
  std::uint32_t flags = INTERNET_CONNECTION_LAN;
  int result = 1;
  std::uint32_t aliveFlags = NETWORK_ALIVE_LAN;
  int aliveResult = 1;
  int queries = 0;
  std::deque<std::pair<int, std::uint32_t>> upcoming;  // (result, flags) for the next queries
};

struct StoredEntry {
  std::string name;
  std::string user;
  std::string password;
};

struct FakePhonebook : IPhonebook, Logging {
  using Logging::Logging;
  std::uint32_t RasDial(const RasDialParams& p) override {
    dials.push_back(p);
    log_.Add("RasDial");
    if (onDial) onDial(p);
    return dialResult;
  }
  std::uint32_t RasEnumEntries(std::vector<RasEntryName>& out, std::uint32_t& count) override {
    log_.Add("RasEnumEntries");
    count = 0;
    for (const auto& e : entries) {
      if (count >= out.size()) break;
      out[count].szEntryName.fill(0);
      e.name.copy(out[count].szEntryName.data(), out[count].szEntryName.size() - 1);
      ++count;
    }
    return 0;
  }
  std::uint32_t RasGetEntryDialParams(RasDialParams& p, bool& saved) override {
    log_.Add("RasGetEntryDialParams");
    const std::string name(p.szEntryName.data());
    for (const auto& e : entries) {
      if (e.name == name) {
        e.user.copy(p.szUserName.data(), p.szUserName.size() - 1);
        e.password.copy(p.szPassword.data(), p.szPassword.size() - 1);
        saved = !e.password.empty();
        return 0;
      }
    }
    return 623;  // entry not found
  }

  std::vector<StoredEntry> entries;
  std::vector<RasDialParams> dials;
  std::uint32_t dialResult = 0;
  std::function<void(const RasDialParams&)> onDial;
};

}  // namespace tavrel::fakes
