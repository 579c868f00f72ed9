#include <gtest/gtest.h>

#include "app/StartupReport.h"
#include "fakes/FakeEnv.h"
#include "netinfo/modIPHost.h"

namespace tavrel {
namespace {

TEST(StartupReport, SixLinesOnANormalStart) {
  fakes::FakeEnv f;
  f.clock.autoAdvance = 1;  // every stamp is read afresh
  const std::string r = modMain::StartupReport(f.env);
  EXPECT_EQ(r,
            "Tavrel 1.0.1\r\n"
            "04-12-26 - 13:58:05 Monitor started\r\n"
            "04-12-26 - 13:58:06 Resolving 192.168.7.20\r\n"
            "04-12-26 - 13:58:07 HELLO tavrel-host\r\n"
            "04-12-26 - 13:58:08 Connected to: tavrel-host\r\n"
            "04-12-26 - 13:58:09 Detecting additional IP's");
  EXPECT_EQ(f.Get("Temp", "1"), "GD");
  EXPECT_TRUE(f.desktop.boxes.empty());
  EXPECT_EQ(f.log.Count("WSAStartup"), 3) << "each lookup starts the library itself";
  EXPECT_TRUE(f.log.Has("gethostbyname tavrel-host"));
  // Which answers mean America Online is the probe's rule; the report names it in its fifth line.
  f.Save("Temp", "1", "");
  f.connection.aliveFlags = NETWORK_ALIVE_AOL;
  EXPECT_NE(modMain::StartupReport(f.env).find(" Connected to America Online\r\n"), std::string::npos);
}

TEST(StartupReport, NothingWhenTheMarkerIsSet) {
  fakes::FakeEnv f;
  f.Save("Temp", "1", "GD");
  f.log.Clear();
  EXPECT_EQ(modMain::StartupReport(f.env), "");
  EXPECT_TRUE(f.log.events.empty()) << "no socket call, no probe";
}

TEST(StartupReport, AFailedLookupLeavesItsLineOpenAndStillSetsTheMarker) {
  fakes::FakeEnv f;
  f.sockets.address.reset();
  const std::string r = modMain::StartupReport(f.env);
  EXPECT_NE(r.find("04-12-26 - 13:58:05 Resolving \r\n"), std::string::npos) << r;
  EXPECT_NE(r.find(" HELLO tavrel-host\r\n"), std::string::npos);
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_EQ(f.desktop.boxes[0].text, "Windows Sockets are not responding. Unable to successfully get Host Name.");
  EXPECT_EQ(f.Get("Temp", "1"), "GD");
}

TEST(StartupReport, NoHostNameEmptiesThreeLinesAndNamesTheError) {
  fakes::FakeEnv f;
  f.sockets.hostNameFails = true;
  f.sockets.lastError = 10093;
  const std::string r = modMain::StartupReport(f.env);
  EXPECT_NE(r.find(" Resolving \r\n"), std::string::npos);
  EXPECT_NE(r.find(" HELLO \r\n"), std::string::npos);
  EXPECT_NE(r.find(" Connected to: \r\n"), std::string::npos);
  ASSERT_EQ(f.desktop.boxes.size(), 3u);
  EXPECT_EQ(f.desktop.boxes[0].text,
            "Windows Sockets error  10093 has occurred. Unable to successfully get Host Name.");
  EXPECT_EQ(f.desktop.boxes[1].text,
            "Windows Sockets error  10093 has occurred.  Unable to successfully get Host Name.");
  EXPECT_FALSE(f.log.Has("gethostbyname tavrel-host"));
  EXPECT_EQ(f.log.Count("WSACleanup"), 3) << "a failed name still ends the library's use";
}

TEST(GetIPAddress, FormatsEveryByteAndLooksUpTheNameWithoutSurroundingSpaces) {
  fakes::FakeEnv f;
  f.sockets.address = std::vector<std::uint8_t>{0x20, 0x01, 0x0d, 0xb8, 0, 255};
  f.sockets.hostName = std::string("  box  \0rest", 12);
  EXPECT_EQ(modIPHost::GetIPAddress(f.env), "32.1.13.184.0.255");
  EXPECT_TRUE(f.log.Has("gethostbyname box")) << f.log.events.back();
  EXPECT_EQ(modIPHost::GetIPHostName(f.env), "  box  ") << "the name ends at its zero character";
}

TEST(SocketsInitialize, RefusesAnUnusableLibrary) {
  struct Case {
    int startup;
    WsaData data;
    std::string message;  // empty: usable
  } cases[] = {
      {0, {0x0101, 1}, ""},
      {0, {0x0002, 100}, ""},  // 2.0
      {10091, {0x0101, 100}, "The 32-bit Windows Socket is not responding."},
      {0, {0x0101, 0}, "This application requires a minimum of 1 supported sockets."},
      {0, {0x0001, 100}, "Sockets version 1.0 is not supported by 32-bit Windows Sockets."},
  };
  for (const Case& c : cases) {
    fakes::FakeEnv f;
    f.sockets.startupResult = c.startup;
    f.sockets.data = c.data;
    EXPECT_EQ(modIPHost::SocketsInitialize(f.env), c.message.empty()) << c.data.wVersion;
    ASSERT_EQ(f.desktop.boxes.size(), c.message.empty() ? 0u : 1u);
    if (c.message.empty()) continue;
    EXPECT_EQ(f.desktop.boxes[0].text, c.message);
    EXPECT_EQ(modIPHost::GetIPHostName(f.env), "");
    EXPECT_FALSE(f.log.Has("WSACleanup") || f.log.Has("gethostname")) << "a refused start is not cleaned up";
  }
}

}  // namespace
}  // namespace tavrel
