#include "monitor/modRAS.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

class FakeEntryList : public modRAS::IEntryList {
 public:
  void AddItem(const std::string& text) override { items.push_back(text); }
  int ListCount() const override { return static_cast<int>(items.size()); }
  int ListIndex() const override { return index; }
  void SetListIndex(int i) override { index = i; }
  std::string Text() const override {
    return index >= 0 && index < ListCount() ? items[static_cast<std::size_t>(index)] : "";
  }
  std::vector<std::string> items;
  int index = -1;
};

class FakeTextBox : public modRAS::ITextBox {
 public:
  explicit FakeTextBox(std::string t) : text(std::move(t)) {}
  std::string Text() const override { return text; }
  void SetText(const std::string& t) override { text = t; }
  std::string text;
};

TEST(TextToBytes, CopiesCutsAndNeverWritesTheLastByte) {
  std::array<char, 6> f;
  f.fill('X');
  EXPECT_FALSE(modRAS::TextToBytes("ab", f));
  EXPECT_EQ(std::string(f.data(), f.size()), std::string("ab\0\0\0X", 6));

  f.fill('X');
  EXPECT_FALSE(modRAS::TextToBytes("abcde", f));  // exactly N - 1 bytes
  EXPECT_EQ(std::string(f.data(), f.size()), "abcdeX");

  f.fill('\0');
  EXPECT_TRUE(modRAS::TextToBytes("abcdefgh", f));
  EXPECT_EQ(std::string(f.data(), f.size()), std::string("abcde\0", 6));

  f.fill('X');
  EXPECT_FALSE(modRAS::TextToBytes("", f));
  EXPECT_EQ(std::string(f.data(), f.size()), std::string("\0\0\0\0\0X", 6));

  // 8-bit text passes byte for byte.
  std::array<char, 8> g{};
  EXPECT_FALSE(modRAS::TextToBytes("gr\xc3\xbc\xc3\x9f", g));
  EXPECT_EQ(modRAS::BytesToText(g), "gr\xc3\xbc\xc3\x9f");
}

TEST(BytesToText, StopsAtTheFirstZeroByte) {
  const std::array<char, 6> a{'a', 'b', '\0', 'c', '\0', '\0'};
  EXPECT_EQ(modRAS::BytesToText(a), "ab");
  const std::array<char, 3> full{'x', 'y', 'z'};
  EXPECT_EQ(modRAS::BytesToText(full), "xyz");
  const std::array<char, 2> empty{};
  EXPECT_EQ(modRAS::BytesToText(empty), "");
}

class DialTest : public ::testing::Test {
 protected:
  fakes::FakeEnv fe;
};

TEST_F(DialTest, FillsTheRecordAsTheDiallerExpects) {
  EXPECT_TRUE(modRAS::DialEntry(fe.env, "Home ISP", "jo", "secret"));
  ASSERT_EQ(fe.phonebook.dials.size(), 1u);
  const RasDialParams& p = fe.phonebook.dials[0];
  EXPECT_EQ(p.dwSize, 1052u);
  EXPECT_EQ(modRAS::BytesToText(p.szEntryName), "Home ISP");
  EXPECT_EQ(modRAS::BytesToText(p.szPhoneNumber), "");
  EXPECT_EQ(modRAS::BytesToText(p.szCallbackNumber), "*");
  EXPECT_EQ(modRAS::BytesToText(p.szUserName), "jo");
  EXPECT_EQ(modRAS::BytesToText(p.szPassword), "secret");
  EXPECT_EQ(modRAS::BytesToText(p.szDomain), "*");
}

TEST_F(DialTest, EmptyAccountLongPasswordAndFailures) {
  fe.phonebook.dialResult = 691;
  EXPECT_FALSE(modRAS::DialEntry(fe.env, "ISP", "", ""));
  const RasDialParams& p = fe.phonebook.dials[0];
  for (char c : p.szUserName) EXPECT_EQ(c, '\0');
  for (char c : p.szPassword) EXPECT_EQ(c, '\0');

  fe.phonebook.dialResult = 0;
  const std::string longPassword(300, 'p');
  EXPECT_TRUE(modRAS::DialEntry(fe.env, "ISP", "u", longPassword));
  EXPECT_EQ(modRAS::BytesToText(fe.phonebook.dials[1].szPassword), std::string(256, 'p'));
  EXPECT_EQ(fe.phonebook.dials[1].szPassword[256], '\0');
}

class ListTest : public ::testing::Test {
 protected:
  fakes::FakeEnv fe;
  FakeEntryList list;
  FakeTextBox user{"old user"};
  FakeTextBox password{"old password"};
  modRAS::EntryControls controls{list, user, password};
};

TEST_F(ListTest, EmptyPhonebookTouchesNothing) {
  modRAS::ListPhonebookEntries(fe.env, controls);
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(list.index, -1);
  EXPECT_EQ(user.text, "old user");
  EXPECT_EQ(password.text, "old password");
  EXPECT_FALSE(fe.log.Has("RasGetEntryDialParams"));
}

TEST_F(ListTest, ListsInPhonebookOrderAndLoadsTheFirstAccount) {
  fe.phonebook.entries = {{"Zeta", "zed", "z-pass"}, {"Alpha", "al", ""}, {"Mid", "mi", "m"}};
  modRAS::ListPhonebookEntries(fe.env, controls);
  EXPECT_EQ(list.items, (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
  EXPECT_EQ(list.index, 0);
  EXPECT_EQ(user.text, "zed");
  EXPECT_EQ(password.text, "z-pass");

  // An entry without a saved password empties the password box.
  list.SetListIndex(1);
  modRAS::LoadEntryCredentials(fe.env, controls);
  EXPECT_EQ(user.text, "al");
  EXPECT_EQ(password.text, "");
}

TEST_F(ListTest, FailedFetchKeepsBothBoxes) {
  list.AddItem("Gone");
  list.SetListIndex(0);
  modRAS::LoadEntryCredentials(fe.env, controls);
  EXPECT_EQ(user.text, "old user");
  EXPECT_EQ(password.text, "old password");
}

TEST_F(ListTest, AFailedEnumerationListsWhatItReported) {
  fe.phonebook.entries = {{"A", "", ""}};
  fe.phonebook.enumResult = 610;
  modRAS::ListPhonebookEntries(fe.env, controls);  // the result is not examined
  EXPECT_EQ(list.items.size(), 1u);
}

TEST_F(ListTest, AtMost256EntriesAreListed) {
  for (int i = 0; i < 300; ++i) fe.phonebook.entries.push_back({"E" + std::to_string(i), "", ""});
  modRAS::ListPhonebookEntries(fe.env, controls);
  ASSERT_EQ(list.items.size(), 256u);
  EXPECT_EQ(list.items.front(), "E0");
  EXPECT_EQ(list.items.back(), "E255");
}

}  // namespace
}  // namespace tavrel
