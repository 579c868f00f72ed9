#include "monitor/modConnection.h"

#include <gtest/gtest.h>

#include "fakes/EventLog.h"
#include "fakes/FakeMonitor.h"

namespace tavrel {
namespace {

using modConnection::NotConnectedText;
using modConnection::OfflineText;

constexpr const char* kLan = "The local system connects to the Internet via a LAN";
constexpr const char* kProxy = ", and uses a proxy server. ";
constexpr const char* kModem = "The local system uses a modem to connect to the Internet. ";
constexpr const char* kBusy = "The local system's modem is busy with a non-Internet connection. ";
constexpr const char* kRas = "Remote Access Services are installed on this system.";
constexpr const char* kConfigured = "You have a network connection configured.\r\n";

class ProbeTest : public ::testing::Test {
 protected:
  fakes::EventLog log;
  fakes::FakeConnectionState state{log};
};

TEST_F(ProbeTest, StateTextFollowsTheLastSetFlagInOrder) {
  const struct {
    int result;
    std::uint32_t flags;
    std::string text;
  } cases[] = {
      {0, 0x7f, std::string(NotConnectedText)},
      {1, 0x02 | 0x04, std::string(kLan) + kProxy},
      {1, 0x02, std::string(kLan) + "."},
      {1, 0x40, std::string(kConfigured) + "."},
      {1, 0x40 | 0x02, std::string(kLan) + "."},
      {1, 0, "."},
      {1, 0x04, kProxy},
      {1, 0x01, kModem},
      {1, 0x01 | 0x04, kModem},
      {1, 0x01 | 0x10, kRas},
      {1, 0x20, std::string(OfflineText)},
      {1, 0x02 | 0x20, std::string(OfflineText)},
      {1, 0x20 | 0x10, kRas},
      {1, 0x08, kBusy},
      {1, 0x20 | 0x08, kBusy},
      {-1, 0x02, std::string(kLan) + "."},  // any non-zero result counts as online
  };
  for (const auto& c : cases) {
    state.result = c.result, state.flags = c.flags;
    EXPECT_EQ(modConnection::ConnectionStateText(state), c.text) << "result " << c.result << " flags " << c.flags;
  }
}

TEST_F(ProbeTest, OnlineStateCodeTakesTheFirstTestThatHolds) {
  const struct {
    int result;
    std::uint32_t flags;
    int alive;
    std::uint32_t aliveFlags;
    int code;
  } cases[] = {
      {1, 0x02 | 0x01 | 0x04, 1, NETWORK_ALIVE_WAN, 1},
      {1, 0x01, 1, NETWORK_ALIVE_WAN, 2},
      {1, 0x01, 0, NETWORK_ALIVE_WAN, 3},  // WAN bit without the answer 1 does not count
      {1, 0x04, 0, 0, 4},
      {0, 0x10, 0, 0, 6},
      {0, 0, 0, 0, 7},
      {0, 0, 1, NETWORK_ALIVE_AOL, 7},
  };
  for (const auto& c : cases) {
    state.result = c.result, state.flags = c.flags;
    state.aliveResult = c.alive, state.aliveFlags = c.aliveFlags;
    EXPECT_EQ(modConnection::OnlineStateCode(state), c.code) << "flags " << c.flags;
  }
}

// The connection comes up between the LAN test and the modem test, or by the online test.
TEST_F(ProbeTest, EveryTestOfTheCodeAsksAfresh) {
  state.upcoming = {{0, 0}, {1, INTERNET_CONNECTION_MODEM}};
  EXPECT_EQ(modConnection::OnlineStateCode(state), 3);
  state.upcoming = {{0, 0}, {0, 0}, {0, 0}, {1, 0}};
  EXPECT_EQ(modConnection::OnlineStateCode(state), 5);
}

TEST_F(ProbeTest, AolOnlyWhenTheAnswerIsOneAndTheFlagsAreExactlyAol) {
  const struct {
    int answer;
    std::uint32_t flags;
    bool aol;
  } cases[] = {{1, 4, true}, {1, 5, false}, {1, 6, false}, {0, 4, false}, {2, 4, false}, {1, 0, false}};
  for (const auto& c : cases) {
    state.aliveResult = c.answer;
    state.aliveFlags = c.flags;
    EXPECT_EQ(modConnection::IsAolConnection(state), c.aol) << c.answer << "/" << c.flags;
  }
}

}  // namespace
}  // namespace tavrel
