#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fakes/EventLog.h"
#include "netinfo/INetTables.h"
#include "netinfo/ISockets.h"

namespace tavrel::fakes {

class FakeTcpTable : public ITcpTable {
 public:
  explicit FakeTcpTable(EventLog& log) : log_(log) {}
  std::uint32_t GetTcpTable(std::vector<MibTcpRow>& out) override {
    log_.Add("GetTcpTable");
    out = rows;
    return result;
  }
  std::vector<MibTcpRow> rows;
  std::uint32_t result = 0;

 private:
  EventLog& log_;
};

class FakeAddressTable : public IAddressTable {
 public:
  explicit FakeAddressTable(EventLog& log) : log_(log) {}
  std::uint32_t GetIpAddrTable(std::vector<MibIpAddrRow>& out) override {
    log_.Add("GetIpAddrTable");
    out = rows;
    return result;
  }
  std::vector<MibIpAddrRow> rows;
  std::uint32_t result = 0;

 private:
  EventLog& log_;
};

class FakeSockets : public ISockets {
 public:
  explicit FakeSockets(EventLog& log) : log_(log) {}
  int WSAStartup(std::uint16_t v, WsaData& d) override {
    log_.Add("WSAStartup");
    d = data;
    if (data.wVersion == 0) d.wVersion = v;
    return startupResult;
  }
  int WSACleanup() override {
    log_.Add("WSACleanup");
    return cleanupResult;
  }
  int WSAGetLastError() override { return lastError; }
  int gethostname(std::string& name) override {
    log_.Add("gethostname");
    if (hostNameFails) return -1;
    name = hostName;
    return 0;
  }
  std::optional<std::vector<std::uint8_t>> gethostbyname(const std::string& name) override {
    log_.Add("gethostbyname " + name);
    return address;
  }

  WsaData data{0x0101, 32767};
  int startupResult = 0;
  int cleanupResult = 0;
  int lastError = 0;
  bool hostNameFails = false;
  std::string hostName = "tavrel-host";
  std::optional<std::vector<std::uint8_t>> address = std::vector<std::uint8_t>{192, 168, 7, 20};

 private:
  EventLog& log_;
};

}  // namespace tavrel::fakes
