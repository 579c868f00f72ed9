#include "netinfo/modGetAll.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::AddrRow;
using fakes::Ip;

std::string Block(const std::string& stamp, const std::string& addr, const std::string& mask,
                  const std::string& bcast) {
  return stamp + " **************************************\r\n" + stamp + " IP address                   : " + addr +
         "\r\n" + stamp + " IP Subnetmask            : " + mask + "\r\n" + stamp + " BroadCast IP address  : " + bcast +
         "\r\n" + stamp + " **************************************\r\n";
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TEST(GetAllAddresses, OneLoopbackAddressNoTableOrAnEmptyOne) {
  fakes::FakeEnv f;
  f.addresses.rows = {AddrRow(Ip(127, 0, 0, 1), Ip(255, 0, 0, 0), 0)};
  EXPECT_EQ(modGetAll::GetAllAddresses(f.env),
            "1   IP addresses found\r\n" + Block("04-12-26 - 13:58:05", "127.0.0.1", "255.0.0.0", "0.0.0.0"));
  EXPECT_TRUE(f.desktop.boxes.empty());
  f.addresses.rows.clear();
  EXPECT_EQ(modGetAll::GetAllAddresses(f.env), "0   IP addresses found\r\n");
  f.addresses.result = 50;
  EXPECT_EQ(modGetAll::GetAllAddresses(f.env), "") << "an unreadable table reports nothing";
}

TEST(GetAllAddresses, PrintsTheBroadcastFieldAsStoredAndStampsEveryLine) {
  fakes::FakeEnv f;
  f.clock.now = {2027, 2, 1, 9, 5, 58};
  f.clock.autoAdvance = 1;
  f.addresses.rows = {AddrRow(Ip(10, 0, 0, 5), Ip(255, 255, 255, 0), 1),
                      AddrRow(Ip(10, 0, 1, 5), Ip(255, 255, 255, 0), Ip(10, 0, 1, 255))};
  const std::string r = modGetAll::GetAllAddresses(f.env);
  EXPECT_EQ(r.substr(0, 24), "2   IP addresses found\r\n") << "the count line has no stamp";
  EXPECT_NE(r.find("01-02-27 - 09:05:58 **"), std::string::npos);
  EXPECT_NE(r.find("01-02-27 - 09:05:59 IP address                   : 10.0.0.5\r\n"), std::string::npos);
  EXPECT_NE(r.find("01-02-27 - 09:06:00 IP Subnetmask            : 255.255.255.0\r\n"), std::string::npos);
  EXPECT_NE(r.find("01-02-27 - 09:06:01 BroadCast IP address  : 1.0.0.0\r\n"), std::string::npos)
      << "the number 1, lowest byte first";
  EXPECT_NE(r.find("01-02-27 - 09:06:06 BroadCast IP address  : 10.0.1.255\r\n"), std::string::npos);
  EXPECT_NE(r.find(" **************************************\r\n01-02-27 - 09:06:03 **"), std::string::npos)
      << "two blocks meet with two asterisk lines";
  EXPECT_EQ(r.substr(r.size() - 2), "\r\n") << "the last line ends too";
}

TEST(GetAllAddresses, ElevenFitTheTableTheTwelfthStopsTheReport) {
  for (int n : {11, 12, 15}) {
    fakes::FakeEnv f;
    for (int i = 0; i < n; ++i)
      f.addresses.rows.push_back(AddrRow(Ip(10, 0, static_cast<std::uint8_t>(i), 1), Ip(255, 255, 255, 0), 1));
    const std::string r = modGetAll::GetAllAddresses(f.env);
    EXPECT_EQ(r.substr(0, r.find('\r')), std::to_string(n) + "   IP addresses found");
    EXPECT_EQ(Occurrences(r, " IP address                   : "), 11u) << n;
    EXPECT_EQ(Occurrences(r, "***\r\n"), 22u) << n << ": only whole blocks";
    EXPECT_NE(r.find(": 10.0.10.1\r\n"), std::string::npos);
    EXPECT_EQ(r.find(": 10.0.11.1\r\n"), std::string::npos);
    if (n == 11) {
      EXPECT_TRUE(f.desktop.boxes.empty());
    } else {
      ASSERT_EQ(f.desktop.boxes.size(), 1u) << n;
      EXPECT_EQ(f.desktop.boxes[0].text + "|" + f.desktop.boxes[0].caption, "9|Tavrel");
    }
  }
}

}  // namespace
}  // namespace tavrel
