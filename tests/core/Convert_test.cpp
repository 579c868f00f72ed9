#include "core/Convert.h"

#include <gtest/gtest.h>

namespace tavrel::convert {
namespace {

TEST(Trim, DropsOnlyTheNamedBlanksAndOnlyAtTheEnds) {
  EXPECT_EQ(Trim("  a b  ", " "), "a b");
  EXPECT_EQ(Trim("\t a \t", " "), "\t a \t") << "a tab is no space";
  EXPECT_EQ(Trim("\t a \r\n", " \t\r\n"), "a");
  EXPECT_EQ(Trim("", " "), "");
  EXPECT_EQ(Trim("    ", " "), "") << "all blanks";
  EXPECT_EQ(Trim("x", " "), "x");
  EXPECT_EQ(Trim(std::string_view("\0 a", 3), " "), std::string_view("\0 a", 3)) << "NUL is no blank";
}

TEST(SameIgnoringCase, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(SameIgnoringCase("Software\\Run", "SOFTWARE\\run"));
  EXPECT_TRUE(SameIgnoringCase("", ""));
  EXPECT_FALSE(SameIgnoringCase("abc", "abcd"));
  EXPECT_FALSE(SameIgnoringCase("[", "{")) << "'[' and '{' are 32 apart but no letters";
  EXPECT_FALSE(SameIgnoringCase("@", "`"));
  EXPECT_FALSE(SameIgnoringCase("\xC4", "\xE4")) << "no folding beyond ASCII";
}

}  // namespace
}  // namespace tavrel::convert
