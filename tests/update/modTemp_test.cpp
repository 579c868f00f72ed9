#include "update/modTemp.h"

#include <gtest/gtest.h>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

TEST(LocalArchivePath, FromTheTemporaryFolder) {
  const std::string deep = "/" + std::string(300, 'd') + "/";  // no 259-character limit
  const std::pair<std::string, std::string> cases[] = {
      {"/tmp/", "/tmp/tavrel_upd.zip"},
      {"/var/tmp", "/var/tmp/tavrel_upd.zip"},
      {"//srv/tmp/", "/srv/tmp/tavrel_upd.zip"},
      {"/a///b/", "/a//b/tavrel_upd.zip"},  // doubled separators collapse in pairs, left to right
      {"/a////b/", "/a//b/tavrel_upd.zip"},
      {"", ""},  // no temporary folder of the user's: no place, never the disk's root
      {deep, deep + "tavrel_upd.zip"}};
  for (const auto& [folder, archive] : cases) {
    fakes::FakeEnv fe;
    fe.fs.tempFolder = P(folder);
    EXPECT_EQ(modTemp::LocalArchivePath(fe.env), P(archive));
  }
}

}  // namespace
}  // namespace tavrel
