// The file rules on real files: only the user's own regular files are read, appended to or
// replaced (another user is played by "nobody"); a replacement is atomic, private and never a
// rewrite in place; leftovers of a killed writer go at the next start; the temporary folder and
// the program folder are the user's own.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/LinuxAppInfo.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/OwnFiles.h"
#include "settings/ProfileFile.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

using std::string;
using testutil::EnvVar;
using testutil::Names;
using testutil::Slurp;
using testutil::Spit;

mode_t ModeOf(const string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// A process id that no process has: a child that has ended and been collected.
pid_t EndedPid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

class Files : public ::testing::Test {
 protected:
  testutil::Scratch dir;
  LinuxFileSystem fs;
};

// A file the program looks for (the version file, a file in the way of the log folder) counts
// only when it is visible: a name that begins with a dot is hidden.
TEST_F(Files, AHiddenFileIsNoFile) {
  ASSERT_TRUE(Spit(dir / "tavrel.txt", "1") && Spit(dir / ".tavrel.txt", "1"));
  EXPECT_TRUE(fs.IsOrdinaryFile(dir / "tavrel.txt"));
  EXPECT_FALSE(fs.IsOrdinaryFile(dir / ".tavrel.txt"));
  EXPECT_FALSE(fs.IsOrdinaryFile(dir / "missing.txt"));
}

// In a folder another user can write to, they may plant a settings file or a day's log, or a link
// named so that points at a file of the victim's. None of them is read, appended to or replaced.
TEST_F(Files, AnotherUsersFileOrLinkIsNeverUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
  const string victim = dir / "notes", theirs = dir / "Tavrel.ini", link = dir / "04-12-26_monitor.log";
  ASSERT_TRUE(Spit(victim, "private notes") && Spit(theirs, "[Settings]\r\nConID=Theirs\r\n"));
  ASSERT_TRUE(testutil::GiveToRunner(theirs));
  ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
  ASSERT_EQ(::lchown(link.c_str(), testutil::kNobody, testutil::kNobody), 0);
  for (const string& p : {theirs, link}) {
    SCOPED_TRACE(p);
    EXPECT_EQ(fs.ReadFile(p), std::nullopt);
    EXPECT_NE(fs.LastFailure().find("another user"), string::npos) << fs.LastFailure();
    EXPECT_FALSE(fs.AppendFile(p, "appended"));
    EXPECT_FALSE(fs.ReplaceFile(p, "replaced", true));
    EXPECT_NE(fs.LastFailure().find("another user"), string::npos) << fs.LastFailure();
    EXPECT_FALSE(fs.IsOrdinaryFile(p));
  }
  EXPECT_EQ(Slurp(victim), "private notes");
  EXPECT_EQ(Slurp(theirs), "[Settings]\r\nConID=Theirs\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
}

TEST_F(Files, AReplaceIsPrivateAndALinkOfTheUsersOwnStaysALink) {
  const mode_t oldMask = ::umask(022);
  // An existing 0644 file that now holds a password becomes 0600.
  const string ini = dir / "Tavrel.ini";
  ASSERT_TRUE(Spit(ini, "old") && ::chmod(ini.c_str(), 0644) == 0);
  EXPECT_TRUE(fs.ReplaceFile(ini, "PWord=secret", true));
  EXPECT_EQ(ModeOf(ini), 0600u);

  // A link of the user's own to a file elsewhere: the link stays, its target is replaced (0600),
  // and no temporary file is left in either folder.
  ::mkdir((dir / "real").c_str(), 0700);
  const string real = dir / "real/settings.ini", linked = dir / "linked.ini";
  ASSERT_TRUE(Spit(real, "old") && ::chmod(real.c_str(), 0666) == 0);
  ASSERT_EQ(::symlink("real/settings.ini", linked.c_str()), 0);
  EXPECT_TRUE(fs.ReplaceFile(linked, "new", true));
  EXPECT_TRUE(std::filesystem::is_symlink(linked));
  EXPECT_EQ(Slurp(real), "new");
  EXPECT_EQ(ModeOf(real), 0600u);
  EXPECT_EQ(Names(dir / "real"), std::vector<string>{"settings.ini"});

  // A link to something that is no regular file (a device): refused, the device untouched.
  const string toNull = dir / "null.ini";
  ASSERT_EQ(::symlink("/dev/null", toNull.c_str()), 0);
  EXPECT_FALSE(fs.ReplaceFile(toNull, "PWord=secret", true));
  EXPECT_TRUE(std::filesystem::is_symlink(toNull));

  // A file that is not private (a start-at-logon entry) keeps its mode, without write access for
  // others.
  const string entry = dir / "entry.desktop";
  EXPECT_TRUE(fs.ReplaceFile(entry, "a", false));
  EXPECT_EQ(ModeOf(entry), 0644u);
  ASSERT_EQ(::chmod(entry.c_str(), 0666), 0);
  EXPECT_TRUE(fs.ReplaceFile(entry, "b", false));
  EXPECT_EQ(ModeOf(entry), 0644u);
  ::umask(oldMask);
  EXPECT_EQ(Names(dir.path()), (std::vector<string>{"Tavrel.ini", "entry.desktop", "linked.ini", "null.ini", "real"}));
}

// A settings file is never rewritten in place, which a crash or a full disk would cut short: where
// no temporary file can be made beside it (the folder takes no new file), the write fails. And a
// file that cannot be read is never replaced (what it holds would be lost), even where its user
// may write it and the folder it is in. Either way the file is left whole.
TEST_F(Files, AFileThatCannotBeReplacedSafelyIsLeftWhole) {
  const string original = "[Settings]\r\nConID=Home\r\nPWord=keep me\r\n";
  for (const bool unreadable : {false, true}) {
    SCOPED_TRACE(unreadable ? "an unreadable file" : "a closed folder");
    const string folder = dir / (unreadable ? "unreadable" : "closed"), ini = folder + "/Tavrel.ini";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(Spit(ini, original) && testutil::GiveToRunner(folder) && testutil::GiveToRunner(ini));
    ::chmod(unreadable ? ini.c_str() : folder.c_str(), unreadable ? 0200 : 0555);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(testutil::WherePermissionsBind([&] {
                LinuxFileSystem runner;
                ProfileFile p(runner);
                if (p.GetPrivateProfileString("Settings", "ConID", "none", 155, ini) != (unreadable ? "none" : "Home"))
                  return 1;
                return p.WritePrivateProfileString("Settings", "valA", "0", ini) ? 2 : 0;
              }),
              0);
    ::chmod(ini.c_str(), 0600);
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(Slurp(ini), original);
  }
}

// A write killed in its middle leaves its temporary file (with the password in it): the next
// start removes it, and nothing that may still be in use or is not the program's own.
TEST_F(Files, LeftoversOfAKilledWriterAreRemoved) {
  const string dead = std::to_string(EndedPid()), alive = std::to_string(::getpid());
  ::mkdir((dir / "real").c_str(), 0700);
  ASSERT_EQ(::symlink("real/target.ini", (dir / "Tavrel.ini").c_str()), 0);
  for (const string& name :
       {".Tavrel.ini." + dead + ".9f3a.tmp", ".Tavrel.ini." + alive + ".77.tmp", string(".Tavrel.ini.x.tmp"),
        ".other.ini." + dead + ".1.tmp", "real/.target.ini." + dead + ".2.tmp"})
    ASSERT_TRUE(Spit(dir / name, "PWord=secret"));
  linux_platform::RemoveLeftovers(dir / "Tavrel.ini");
  std::vector<string> kept{".Tavrel.ini." + alive + ".77.tmp", ".Tavrel.ini.x.tmp", ".other.ini." + dead + ".1.tmp",
                           "Tavrel.ini", "real"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(Names(dir.path()), kept);
  EXPECT_TRUE(Names(dir / "real").empty());
}

// The temporary folder is made private again before every use, and a link in its place (to a
// folder anyone may fill) is not used.
TEST_F(Files, TheTemporaryFolderIsTheUsersOwnCheckedBeforeEveryUse) {
  const EnvVar tmpdir("TMPDIR", nullptr), cache("XDG_CACHE_HOME", (dir / "cache").c_str());
  const string folder = dir / "cache/Tavrel/tmp";
  EXPECT_EQ(fs.TempFolder(), folder + "/");
  ::chmod(folder.c_str(), 0777);
  EXPECT_EQ(fs.TempFolder(), folder + "/");
  EXPECT_EQ(ModeOf(folder), 0700u);

  ::rmdir(folder.c_str());
  ::mkdir((dir / "shared").c_str(), 01777);
  ASSERT_EQ(::symlink((dir / "shared").c_str(), folder.c_str()), 0);
  EXPECT_EQ(fs.TempFolder(), "");
  EXPECT_EQ(fs.LastFailure(), folder + ": not a folder of your own");
}

TEST_F(Files, TheProgramFolderIsTheExecutablesOnlyWhenNoOtherUserMayWriteThere) {
  const string data = dir / "data";
  const struct {
    const char* folder;
    mode_t mode;
    bool nobodys;
    bool exeFolder;
  } cases[] = {
      {"own", 0755, false, true},      {"group", 0775, false, false}, {"world", 0777, false, false},
      {"sticky", 01777, false, false}, {"theirs", 0755, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const string folder = dir / c.folder;
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ::chmod(folder.c_str(), c.mode);
    if (c.nobodys && (::geteuid() != 0 || !testutil::GiveToRunner(folder))) continue;
    EXPECT_EQ(ProgramFolderFor(folder + "/tavrel", data.c_str(), "/nonexistent"),
              c.exeFolder ? folder : data + "/Tavrel");
  }
  EXPECT_EQ(ModeOf(data + "/Tavrel"), 0700u);
  // Without XDG_DATA_HOME: the home's data folder.
  EXPECT_EQ(ProgramFolderFor(dir / "world/tavrel", nullptr, (dir / "home").c_str()), dir / "home/.local/share/Tavrel");
}

}  // namespace
}  // namespace tavrel
