// The settings file's rules, as the program relies on them on both platforms: defaults for what
// is missing, empty values kept, 154 characters at most, names without regard to case, values
// replaced in place, and nothing stored that would break the file.
#include <gtest/gtest.h>

#include "contracts/Contracts.h"

namespace tavrel::contract {
namespace {

constexpr std::size_t kBuffer = 155;

class ProfileContract : public ::testing::Test {
 protected:
  std::string Get(const std::string& section, const std::string& key, const std::string& def = "<default>") {
    return profile->GetPrivateProfileString(section, key, def, kBuffer, path);
  }
  bool Put(const std::string& section, const std::string& key, const std::string& value) {
    return profile->WritePrivateProfileString(section, key, value, path);
  }
  Scratch dir;
  const std::string path = dir / "Tavrel.ini";
  std::unique_ptr<IProfile> profile = MakeProfile();
};

TEST_F(ProfileContract, MissingFileSectionOrKeyGivesTheDefaultAndTheFirstWriteMakesTheFile) {
  EXPECT_EQ(Get("Settings", "Retry", "5"), "5");
  EXPECT_FALSE(Slurp(path).has_value()) << "a read creates nothing";
  ASSERT_TRUE(Put("Settings", "ConID", "My ISP"));
  EXPECT_TRUE(Slurp(path).has_value());
  EXPECT_EQ(Get("Settings", "ConID"), "My ISP");
  EXPECT_EQ(Get("settings", "CONID"), "My ISP") << "names without regard to case";
  EXPECT_EQ(Get("Settings", "Retry", "5"), "5");
  EXPECT_EQ(Get("Temp", "ConID", "none"), "none");
}

TEST_F(ProfileContract, ValuesAreReplacedKeptEmptyAndCutTo154Characters) {
  ASSERT_TRUE(Put("Settings", "ConID", "first"));
  ASSERT_TRUE(Put("Settings", "UName", "jo"));
  ASSERT_TRUE(Put("Temp", "1", "GD"));
  ASSERT_TRUE(Put("Settings", "ConID", "second"));
  EXPECT_EQ(Get("Settings", "ConID"), "second");
  EXPECT_EQ(Get("Settings", "UName"), "jo");
  EXPECT_EQ(Get("Temp", "1"), "GD");
  EXPECT_EQ(Slurp(path)->find("first"), std::string::npos) << "replaced, not added";

  ASSERT_TRUE(Put("Temp", "1", ""));
  EXPECT_EQ(Get("Temp", "1", "GD"), "") << "an empty value is a value";

  const std::string longValue(200, 'p');
  ASSERT_TRUE(Put("Settings", "PWord", longValue));
  EXPECT_EQ(Get("Settings", "PWord"), longValue.substr(0, 154));
  EXPECT_EQ(profile->GetPrivateProfileString("Settings", "PWord", "", 1000, path), longValue);

  ASSERT_TRUE(Put("Settings", "Retry", "  7  "));
  EXPECT_EQ(Get("Settings", "Retry"), "7") << "blanks around a value are dropped";
  ASSERT_TRUE(Put("Settings", "UName", "\"quoted\""));
  EXPECT_EQ(Get("Settings", "UName"), "quoted") << "one pair of enclosing quotes is dropped";
}

TEST_F(ProfileContract, WhatWouldBreakTheFileIsRefusedAndChangesNothing) {
  ASSERT_TRUE(Put("Settings", "PWord", "kept"));
  const auto before = Slurp(path);
  EXPECT_FALSE(Put("Settings", "PWord", "two\r\nlines"));
  EXPECT_FALSE(Put("Settings", "PWord", "line\nfeed"));
  EXPECT_FALSE(Put("Settings", "a=b", "x"));
  EXPECT_FALSE(Put("Settings", "", "x"));
  EXPECT_FALSE(Put("", "PWord", "x"));
  EXPECT_EQ(Slurp(path), before);
  EXPECT_EQ(Get("Settings", "PWord"), "kept");
}

}  // namespace
}  // namespace tavrel::contract
