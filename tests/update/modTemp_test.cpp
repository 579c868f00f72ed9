#include "update/modTemp.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

TEST(CollapseDoubledSeparators, PairsInARowLeftToRightWithoutOverlap) {
  using modTemp::CollapseDoubledSeparators;
  EXPECT_EQ(CollapseDoubledSeparators(""), "");
  EXPECT_EQ(CollapseDoubledSeparators("/tmp/a"), "/tmp/a");
  EXPECT_EQ(CollapseDoubledSeparators("/tmp//a"), "/tmp/a");
  EXPECT_EQ(CollapseDoubledSeparators("///"), "//");
  EXPECT_EQ(CollapseDoubledSeparators("////"), "//");
  EXPECT_EQ(CollapseDoubledSeparators("/////"), "///");
  EXPECT_EQ(CollapseDoubledSeparators("a//b///c////d"), "a/b//c//d");
  EXPECT_EQ(CollapseDoubledSeparators("//"), "/");
}

struct TempCase {
  std::string folder;
  std::string archive;
};

class LocalArchivePath : public ::testing::TestWithParam<TempCase> {};

TEST_P(LocalArchivePath, FromTheTemporaryFolder) {
  fakes::FakeEnv fe;
  fe.fs.tempFolder = GetParam().folder;
  EXPECT_EQ(modTemp::TempFolderPath(fe.env), GetParam().folder);
  EXPECT_EQ(modTemp::LocalArchivePath(fe.env), GetParam().archive);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LocalArchivePath,
    ::testing::Values(
        TempCase{"/tmp/", "/tmp/tavrel_upd.zip"},              // the usual trailing separator
        TempCase{"/var/tmp", "/var/tmp/tavrel_upd.zip"},       // none: one is added
        TempCase{"//srv/tmp/", "/srv/tmp/tavrel_upd.zip"},     // two at the start lose one
        TempCase{"/a///b/", "/a//b/tavrel_upd.zip"},            // three in a row keep two
        TempCase{"", "/tavrel_upd.zip"},                       // no temporary folder at all
        TempCase{"/" + std::string(300, 'd') + "/",            // no 259-character limit
                 "/" + std::string(300, 'd') + "/tavrel_upd.zip"}));

}  // namespace
}  // namespace tavrel
