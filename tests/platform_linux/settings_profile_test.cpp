// The settings file on real files: ProfileFile over LinuxFileSystem in a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/linux/LinuxFileSystem.h"
#include "settings/ProfileFile.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

using std::string;
using testutil::Slurp;
using testutil::Spit;

class SettingsFileOnDisk : public ::testing::Test {
 protected:
  string Get(const string& path, const string& key, const string& def = "<default>") {
    return profile.GetPrivateProfileString("Settings", key, def, 155, path);
  }
  bool Save(const string& path, const string& key, const string& value) {
    return profile.WritePrivateProfileString("Settings", key, value, path);
  }
  static mode_t ModeOf(const string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
  }

  testutil::Scratch dir;
  LinuxFileSystem fs;
  ProfileFile profile{fs};
};

TEST_F(SettingsFileOnDisk, FileIsTheOwnersAloneAndEditedInPlace) {
  const string ini = dir / "Tavrel.ini";
  const mode_t old = ::umask(0);
  const bool saved = Save(ini, "PWord", "secret");
  ::umask(old);
  ASSERT_TRUE(saved);
  EXPECT_EQ(ModeOf(ini), 0600u) << "whatever the umask";
  EXPECT_EQ(Slurp(ini), "[Settings]\r\nPWord=secret\r\n");

  // A file written by another editor keeps its lines; replacing it keeps it private and leaves
  // no temporary file behind.
  ASSERT_TRUE(Spit(ini, "; by hand\n[Settings]\nRetry = 3\nColour=blue\n"));
  ASSERT_TRUE(Save(ini, "Retry", "9"));
  EXPECT_EQ(Slurp(ini), "; by hand\n[Settings]\nRetry = 9\nColour=blue\n");
  EXPECT_EQ(ModeOf(ini), 0600u);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(SettingsFileOnDisk, UnusablePlacesGiveDefaultsAndReplaceNothing) {
  // A regular file where the folder should be.
  ASSERT_TRUE(Spit(dir / "not-a-folder", "x"));
  EXPECT_FALSE(Save(dir / "not-a-folder/Tavrel.ini", "ConID", "My ISP"));
  EXPECT_EQ(Get(dir / "not-a-folder/Tavrel.ini", "Retry", "5"), "5");

  // A folder in place of the file cannot be read by anyone.
  const string folder = dir / "Tavrel.ini";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  EXPECT_EQ(Get(folder, "ConID", "none"), "none");
  EXPECT_FALSE(Save(folder, "ConID", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  // A file its reader may write but not read, in a folder it may write: nothing stops a
  // replacement but the store's own rule.
  const string open = dir / "open";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  const string ini = open + "/Tavrel.ini";
  const string original = "[Settings]\r\nConID=Home\r\nPWord=keep me\r\n";
  ASSERT_TRUE(Spit(ini, original));
  ASSERT_TRUE(testutil::GiveToRunner(open) && testutil::GiveToRunner(ini));
  ::chmod(ini.c_str(), 0200);
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(testutil::WherePermissionsBind([&] {
              ProfileFile p(fs);
              if (p.GetPrivateProfileString("Settings", "ConID", "none", 155, ini) != "none") return 1;
              return p.WritePrivateProfileString("Settings", "valA", "0", ini) ? 2 : 0;
            }),
            0);
  ::chmod(ini.c_str(), 0600);
  EXPECT_EQ(Slurp(ini), original);
}

}  // namespace
}  // namespace tavrel
