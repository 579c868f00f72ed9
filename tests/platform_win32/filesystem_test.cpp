// Files and folders on Windows, in a scratch folder of the Wine prefix.
#include "platform/win32/Win32FileSystem.h"

#include <gtest/gtest.h>

#include "contracts/Contracts.h"

namespace tavrel {
namespace {

class Files : public ::testing::Test {
 protected:
  contract::Scratch dir;
  Win32FileSystem fs;
};

TEST_F(Files, FoldersAndOrdinaryFilesAsTheDirectorySearchSeesThem) {
  const std::string folder = dir / "logs", file = dir / "help.chm", hidden = dir / "hidden.txt",
                    system = dir / "system.txt";
  ASSERT_TRUE(fs.CreateFolder(folder));
  EXPECT_FALSE(fs.CreateFolder(folder)) << "exists already";
  EXPECT_FALSE(fs.CreateFolder(dir / "a\\b")) << "its parent is missing";
  EXPECT_NE(fs.LastFailure(), "") << "the system's words for it";
  EXPECT_EQ(fs.LastFailure().find_first_of("\r\n"), std::string::npos);
  for (const auto& f : {file, hidden, system}) ASSERT_TRUE(contract::Spit(f, "x"));
  ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));

  EXPECT_TRUE(fs.IsFolder(folder));
  EXPECT_FALSE(fs.IsFolder(file));
  EXPECT_FALSE(fs.IsFolder(dir / "missing"));
  EXPECT_TRUE(fs.IsOrdinaryFile(file));
  EXPECT_FALSE(fs.IsOrdinaryFile(folder));
  EXPECT_FALSE(fs.IsOrdinaryFile(hidden));
  EXPECT_FALSE(fs.IsOrdinaryFile(system));
  EXPECT_FALSE(fs.IsOrdinaryFile(dir / "missing"));
  EXPECT_FALSE(fs.IsOrdinaryFile(dir / "*.chm")) << "a wildcard names no file";
  EXPECT_FALSE(fs.IsFolder(dir / "l?gs"));
  EXPECT_FALSE(fs.IsOrdinaryFile(""));
}

// Appending is the files contract's; here what the settings and the update window rely on.
TEST_F(Files, ReadReplaceAndRemove) {
  const std::string ini = dir / "Tavrel.ini";
  EXPECT_FALSE(fs.ReadFile(ini).has_value());
  ASSERT_TRUE(fs.ReplaceFile(ini, "[Settings]\r\nPWord=a\r\n", true));
  ASSERT_TRUE(fs.ReplaceFile(ini, "[Settings]\r\nPWord=b\r\n", true));
  EXPECT_EQ(fs.ReadFile(ini), "[Settings]\r\nPWord=b\r\n");
  EXPECT_FALSE(fs.ReplaceFile(dir.path().string(), "x", false)) << "a folder is not replaced";
  EXPECT_EQ(fs.LastFailure(), "a folder of that name is in the way");
  EXPECT_EQ(contract::Names(dir.path()), std::vector<std::string>{"Tavrel.ini"}) << "no temporary file left";

  EXPECT_TRUE(fs.RemoveFile(ini));
  EXPECT_FALSE(fs.RemoveFile(ini));
  EXPECT_TRUE(contract::Names(dir.path()).empty());
}

TEST_F(Files, ThePlatformsTemporaryFolderEndsWithASeparator) {
  const std::string temp = fs.TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(fs.IsFolder(temp.substr(0, temp.size() - 1)));
}

}  // namespace
}  // namespace tavrel
