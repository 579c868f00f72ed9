#include "monitor/modRAS.h"

#include <gtest/gtest.h>

#include <array>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

TEST(RasBytes, TextToBytesCutsAndNeverWritesTheLastByteBytesToTextStopsAtZero) {
  const struct {
    std::string text;
    bool cut;
    std::string field;  // the six bytes after a fill with 'X'
  } cases[] = {
      {"ab", false, std::string("ab\0\0\0X", 6)},
      {"abcde", false, "abcdeX"},  // exactly N - 1 bytes
      {"abcdefgh", true, "abcdeX"},
  };
  for (const auto& c : cases) {
    std::array<char, 6> f;
    f.fill('X');
    EXPECT_EQ(modRAS::TextToBytes(c.text, f), c.cut) << c.text;
    EXPECT_EQ(std::string(f.data(), f.size()), c.field) << c.text;
  }
  EXPECT_EQ(modRAS::BytesToText(std::array<char, 3>{'x', 'y', 'z'}), "xyz");
}

TEST(DialEntry, FillsTheRecordCutsTheAccountAndReportsFailure) {
  fakes::FakeEnv fe;
  EXPECT_TRUE(modRAS::DialEntry(fe.env, "Home ISP", "jo", "secret"));
  const RasDialParams& p = fe.phonebook.dials.at(0);
  EXPECT_EQ(p.dwSize, 1052u);
  EXPECT_EQ(modRAS::BytesToText(p.szPhoneNumber), "");
  EXPECT_EQ(modRAS::BytesToText(p.szCallbackNumber), "*");
  EXPECT_EQ(modRAS::BytesToText(p.szPassword), "secret");
  EXPECT_EQ(modRAS::BytesToText(p.szDomain), "*");

  fe.phonebook.dialResult = 691;
  EXPECT_FALSE(modRAS::DialEntry(fe.env, "ISP", "u", std::string(300, 'p')));
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials.at(1).szPassword), std::string(256, 'p'));
  EXPECT_EQ(fe.phonebook.dials[1].szPassword[256], '\0');
}

}  // namespace
}  // namespace tavrel
