#pragma once

#include <array>
#include <bit>
#include <optional>
#include <string>
#include <vector>

#include "core/INetTables.h"
#include "core/ISockets.h"
#include "fakes/EventLog.h"

namespace tavrel::fakes {

// An IPv4 address a.b.c.d as the tables hold it: network byte order, first octet in the
// lowest-addressed byte.
inline std::uint32_t Ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return std::bit_cast<std::uint32_t>(std::array<std::uint8_t, 4>{a, b, c, d});
}

// A port field: the 16-bit port in network byte order in the low half.
inline std::uint32_t Port(std::uint16_t port) {
  return std::bit_cast<std::uint16_t>(
      std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port & 0xFF)});
}

inline MibTcpRow TcpRow(std::uint32_t state, std::uint32_t local, std::uint16_t localPort, std::uint32_t remote,
                        std::uint16_t remotePort) {
  return MibTcpRow{state, local, Port(localPort), remote, Port(remotePort)};
}

inline MibIpAddrRow AddrRow(std::uint32_t addr, std::uint32_t mask, std::uint32_t bcast) {
  MibIpAddrRow r;
  r.dwAddr = addr;
  r.dwMask = mask;
  r.dwBCastAddr = bcast;
  return r;
}

struct FakeTcpTable : ITcpTable, Logging {
  using Logging::Logging;
  std::uint32_t GetTcpTable(std::vector<MibTcpRow>& out) override {
    log_.Add("GetTcpTable");
    out = rows;
    return result;
  }
  std::vector<MibTcpRow> rows;
  std::uint32_t result = 0;
};

struct FakeAddressTable : IAddressTable, Logging {
  using Logging::Logging;
  std::uint32_t GetIpAddrTable(std::vector<MibIpAddrRow>& out) override {
    log_.Add("GetIpAddrTable");
    out = rows;
    return result;
  }
  std::vector<MibIpAddrRow> rows;
  std::uint32_t result = 0;
};

struct FakeSockets : ISockets, Logging {
  using Logging::Logging;
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
};

}  // namespace tavrel::fakes
