#include "netinfo/modGetAll.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::AddrRow;
using fakes::Ip;

// One address's block, each line stamped at the fake clock's standing time.
std::string Block(const std::string& addr, const std::string& mask, const std::string& bcast) {
  const std::string stamp = "04-12-26 - 13:58:05";
  return stamp + " **************************************\r\n" + stamp + " IP address                   : " + addr +
         "\r\n" + stamp + " IP Subnetmask            : " + mask + "\r\n" + stamp + " BroadCast IP address  : " + bcast +
         "\r\n" + stamp + " **************************************\r\n";
}

TEST(GetAllAddresses, ACountLineThenOneBlockPerAddressNothingForAnUnreadableTable) {
  fakes::FakeEnv f;
  f.addresses.rows = {AddrRow(Ip(127, 0, 0, 1), Ip(255, 0, 0, 0), 0),
                      AddrRow(Ip(10, 0, 1, 5), Ip(255, 255, 255, 0), 1)};
  EXPECT_EQ(modGetAll::GetAllAddresses(f.env), "2   IP addresses found\r\n" +
                                                   Block("127.0.0.1", "255.0.0.0", "0.0.0.0") +
                                                   Block("10.0.1.5", "255.255.255.0", "1.0.0.0"))
      << "the broadcast field as stored: the number 1, lowest byte first";
  f.addresses.rows.clear();
  EXPECT_EQ(modGetAll::GetAllAddresses(f.env), "0   IP addresses found\r\n");
  f.addresses.result = 50;
  EXPECT_EQ(modGetAll::GetAllAddresses(f.env), "") << "an unreadable table reports nothing";
}

TEST(GetAllAddresses, ElevenFitTheTableMoreAreCountedButStopTheReport) {
  std::string eleven;
  for (int n : {11, 12, 15}) {
    SCOPED_TRACE(n);
    fakes::FakeEnv f;
    for (int i = 0; i < n; ++i)
      f.addresses.rows.push_back(AddrRow(Ip(10, 0, static_cast<std::uint8_t>(i), 1), Ip(255, 255, 255, 0), 1));
    const std::string r = modGetAll::GetAllAddresses(f.env);
    EXPECT_EQ(r.substr(0, r.find('\r')), std::to_string(n) + "   IP addresses found");
    if (n == 11) {
      eleven = r.substr(r.find('\n'));
      EXPECT_TRUE(eleven.ends_with(Block("10.0.10.1", "255.255.255.0", "1.0.0.0")));
      EXPECT_TRUE(f.desktop.boxes.empty());
    } else {
      EXPECT_EQ(r.substr(r.find('\n')), eleven) << "the same eleven whole blocks";
      ASSERT_EQ(f.desktop.boxes.size(), 1u);
      EXPECT_EQ(f.desktop.boxes[0].text + "|" + f.desktop.boxes[0].caption, "9|Tavrel");
    }
  }
}

}  // namespace
}  // namespace tavrel
