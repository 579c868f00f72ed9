#include "update/modTemp.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

TEST(CollapseDoubledSeparators, PairsInARowLeftToRightWithoutOverlap) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},      {"/tmp/a", "/tmp/a"}, {"/tmp//a", "/tmp/a"}, {"//", "/"},
      {"///", "//"}, {"////", "//"},       {"/////", "///"},      {"a//b///c////d", "a/b//c//d"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(modTemp::CollapseDoubledSeparators(P(in)), P(out)) << in;
}

TEST(LocalArchivePath, FromTheTemporaryFolder) {
  const std::string deep = "/" + std::string(300, 'd') + "/";  // no 259-character limit
  const std::pair<std::string, std::string> cases[] = {
      {"/tmp/", "/tmp/tavrel_upd.zip"},
      {"/var/tmp", "/var/tmp/tavrel_upd.zip"},
      {"//srv/tmp/", "/srv/tmp/tavrel_upd.zip"},
      {"/a///b/", "/a//b/tavrel_upd.zip"},
      {"", ""},  // no temporary folder of the user's: no place, never the disk's root
      {deep, deep + "tavrel_upd.zip"}};
  for (const auto& [folder, archive] : cases) {
    fakes::FakeEnv fe;
    fe.fs.tempFolder = P(folder);
    EXPECT_EQ(modTemp::TempFolderPath(fe.env), P(folder));
    EXPECT_EQ(modTemp::LocalArchivePath(fe.env), P(archive));
  }
}

}  // namespace
}  // namespace tavrel
