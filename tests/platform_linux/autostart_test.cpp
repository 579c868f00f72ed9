// Start at logon on Linux: XDG autostart entries in a scratch home, checked with the desktop's
// own validator and started by GLib's launcher, as a desktop session starts them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/XdgAutostart.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

using std::string;
using testutil::Exists;
using testutil::Slurp;
using testutil::Spit;

// Runs a program with the current environment; its output when it failed.
std::optional<string> RunFailed(std::vector<string> argv) {
  const string program = argv[0];
  const auto res = testutil::Run(std::move(argv));
  if (res.exitCode == 0) return std::nullopt;
  return program + " exit " + std::to_string(res.exitCode) + ": " + res.out + res.err;
}

class Autostart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists("/usr/bin/gio") && Exists("/usr/bin/desktop-file-validate"))
        << "scripts/install-deps installs libglib2.0-bin and desktop-file-utils";
    ASSERT_EQ(::mkdir((dir / "home").c_str(), 0700), 0);
    // A folder name with the characters that need care in an Exec line.
    folder = dir / "my apps \"quoted\" it's \\ $HOME `id` ;&|*?#()<>~ x";
    program = MakeProgram(folder);
  }
  // A program that records the path it was started as beside itself.
  static string MakeProgram(const string& where) {
    ::mkdir(where.c_str(), 0755);
    Spit(where + "/tavrel", "#!/bin/sh\nprintf '%s' \"$0\" > \"${0%/*}/started\"\n");
    ::chmod((where + "/tavrel").c_str(), 0755);
    return where + "/tavrel";
  }
  bool Set(const char* key, const string& prog) {
    return autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, key, "Tavrel", prog);
  }
  // Validates the entry, starts it and checks that prog ran as itself.
  void ValidateAndLaunch(const string& entry, const string& prog) {
    EXPECT_EQ(RunFailed({"desktop-file-validate", entry}), std::nullopt) << testutil::ReadAll(entry);
    EXPECT_EQ(RunFailed({"gio", "launch", entry}), std::nullopt);
    const string started = prog.substr(0, prog.rfind('/')) + "/started";
    EXPECT_TRUE(testutil::WaitFor([&] { return Slurp(started) == prog; }));
    ::unlink(started.c_str());
  }
  string RunEntry() const { return dir / "home/.config/autostart/Tavrel.desktop"; }
  string OnceEntry() const { return dir / "home/.config/autostart/Tavrel-once.desktop"; }

  testutil::Scratch dir;
  const testutil::EnvVar home{"HOME", (dir / "home").c_str()}, configHome{"XDG_CONFIG_HOME", nullptr};
  string folder, program;
  XdgAutostart autostart;
};

TEST_F(Autostart, EntriesStartTheProgramWhateverItsPath) {
  // Blanks, quotes, backslash, '$', '`' and shell characters; then '%' and '='.
  ASSERT_TRUE(Set(kRunKey, program));
  ValidateAndLaunch(RunEntry(), program);
  EXPECT_TRUE(Exists(RunEntry())) << "the every-logon entry stays";
  for (const string name : {"100% sure", "a=b"}) {
    SCOPED_TRACE(name);
    const string prog = MakeProgram(dir / name);
    ASSERT_TRUE(Set(kRunKey, prog));
    ValidateAndLaunch(RunEntry(), prog);
  }

  // The run-once entry removes itself.
  ASSERT_TRUE(Set(kRunOnceKey, program));
  ASSERT_TRUE(Exists(OnceEntry()));
  ValidateAndLaunch(OnceEntry(), program);
  EXPECT_FALSE(Exists(OnceEntry()));
}

// Ticking the box means an entry that starts the program: an entry the desktop's own tools
// disabled, or anything else there, is written anew as a whole.
TEST_F(Autostart, WritingMakesAWholeEnabledEntryWhateverWasThere) {
  ASSERT_TRUE(Set(kRunKey, program));
  const string fresh = testutil::ReadAll(RunEntry());
  const char kBinary[] =
      "\x7f"
      "ELF\0\0\x01garbage\n";
  for (const string& old : {string("[Desktop Entry]\nType=Application\nName=Tavrel\nExec=/old/tavrel\nHidden=true\n"),
                            string(kBinary, sizeof kBinary - 1)}) {
    ASSERT_TRUE(Spit(RunEntry(), old));
    ASSERT_TRUE(Set(kRunKey, program));
    EXPECT_EQ(Slurp(RunEntry()), fresh);
  }
  // Another user's entry is not replaced, and the failure says why.
  if (::geteuid() != 0) return;
  ASSERT_TRUE(Spit(RunEntry(), "theirs") && testutil::GiveToRunner(RunEntry()));
  EXPECT_FALSE(Set(kRunKey, program));
  EXPECT_NE(autostart.LastFailure().find("owned by another user"), string::npos) << autostart.LastFailure();
  EXPECT_EQ(Slurp(RunEntry()), "theirs");
}

TEST_F(Autostart, DeleteRemovesOnlyItsEntry) {
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel");  // no folder yet
  EXPECT_FALSE(Exists(dir / "home/.config"));
  ASSERT_TRUE(Set(kRunKey, program));
  ASSERT_TRUE(Set(kRunOnceKey, program));
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel");
  EXPECT_FALSE(Exists(RunEntry()));
  EXPECT_TRUE(Exists(OnceEntry()));
}

}  // namespace
}  // namespace tavrel
