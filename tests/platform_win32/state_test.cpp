// The connection state from WinINet as Wine gives it: Wine's InternetGetConnectedState follows the
// default route (1 with LAN | RAS installed while there is one; 0 with OFFLINE | RAS installed
// without). The flip of the state is run inside a network namespace by state_netns.sh, which says
// through TAVREL_EXPECT_ONLINE what the state must be.
#include "platform/win32/Win32ConnectionState.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/IConnectionState.h"

namespace tavrel {
namespace {

TEST(Win32State, FollowsTheDefaultRouteOfItsNetworkNamespace) {
  const char* expected = std::getenv("TAVREL_EXPECT_ONLINE");
  if (!expected) GTEST_SKIP() << "run by state_netns.sh inside a network namespace";
  Win32ConnectionState state;
  std::uint32_t flags = 0;
  const int online = state.InternetGetConnectedState(flags);
  if (std::string(expected) == "1") {
    EXPECT_EQ(online, 1);
    EXPECT_EQ(flags, INTERNET_CONNECTION_LAN | INTERNET_RAS_INSTALLED);
  } else {
    EXPECT_EQ(online, 0);
    EXPECT_EQ(flags, INTERNET_CONNECTION_OFFLINE | INTERNET_RAS_INSTALLED);
  }
}

}  // namespace
}  // namespace tavrel
