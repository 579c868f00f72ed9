// The socket library's host facilities as the start-up report uses them, on both platforms.
#include <gtest/gtest.h>

#include "contracts/Contracts.h"

namespace tavrel::contract {
namespace {

using namespace std::chrono_literals;

TEST(SocketsContract, VersionOneOneAHostNameAndTheLookupOfLocalhost) {
  const auto s = MakeSockets();
  WsaData data;
  ASSERT_EQ(s->WSAStartup(0x0101, data), 0);
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_GE(static_cast<std::int16_t>(data.iMaxSockets), 1);

  std::string name = "left over";
  ASSERT_EQ(s->gethostname(name), 0);
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find_first_of(std::string(" \r\n\0", 4)), std::string::npos) << name;

  const auto localhost = s->gethostbyname("localhost");
  ASSERT_TRUE(localhost.has_value());
  ASSERT_EQ(localhost->size(), 4u);
  EXPECT_EQ((*localhost)[0], 127);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(s->gethostbyname("no-such-host.invalid").has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "lookups are bounded";
  EXPECT_EQ(s->WSACleanup(), 0);
}

}  // namespace
}  // namespace tavrel::contract
