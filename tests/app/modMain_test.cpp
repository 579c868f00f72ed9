#include "app/modMain.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

TEST(StripTrailingBackslash, DropsBlanksThenOneSeparator) {
  EXPECT_EQ(modMain::StripTrailingBackslash("/var/app/ "), "/var/app");
  EXPECT_EQ(modMain::StripTrailingBackslash("  /var/app//"), "/var/app/");
  EXPECT_EQ(modMain::StripTrailingBackslash("/"), "");
  EXPECT_EQ(modMain::StripTrailingBackslash("   "), "");
}

}  // namespace
}  // namespace tavrel
