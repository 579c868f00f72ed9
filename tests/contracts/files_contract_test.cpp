// What the logs rely on from the file system on both platforms: pieces appended in order after
// what the file holds, and the room left on the disk that holds a folder.
#include <gtest/gtest.h>

#include "contracts/Contracts.h"

namespace tavrel::contract {
namespace {

TEST(FilesContract, PiecesAreAppendedInOrderAfterTheFileAndMakeItWhereMissing) {
  Scratch dir;
  const auto fs = MakeFileSystem();
  const std::string log = dir / "day.log";
  ASSERT_TRUE(fs->AppendPieces(log, {"a", "", "bc"}));
  ASSERT_TRUE(fs->AppendPieces(log, {"\r\n", std::string(70000, 'x'), "!"}));
  EXPECT_EQ(Slurp(log), "abc\r\n" + std::string(70000, 'x') + "!");
  EXPECT_FALSE(fs->AppendPieces((dir.path() / "missing" / "day.log").string(), {"a"}));
  EXPECT_FALSE(fs->LastFailure().empty());
}

TEST(FilesContract, TheRoomOfTheDiskThatHoldsAFolderAndNoneForAMissingOne) {
  Scratch dir;
  const auto fs = MakeFileSystem();
  const auto space = fs->SpaceOf(dir.path().string());
  ASSERT_TRUE(space.has_value());
  EXPECT_GT(space->total, 0u);
  EXPECT_LE(space->available, space->total);
  EXPECT_FALSE(fs->SpaceOf(dir / "missing").has_value());
}

}  // namespace
}  // namespace tavrel::contract
