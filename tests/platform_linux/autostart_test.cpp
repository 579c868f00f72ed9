// Start at logon on Linux: XDG autostart entries in a scratch home, checked with the desktop's
// own validator, parsed back by the Desktop Entry quoting rules and started for real.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/XdgAutostart.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

using std::string;
using testutil::Exists;
using testutil::Scratch;
using testutil::Slurp;
using testutil::Spit;

constexpr const char* kValidator = "/usr/bin/desktop-file-validate";
constexpr const char* kGio = "/usr/bin/gio";

// The arguments of an Exec value as a launcher sees them: string escapes first, then field
// codes ("%%" is a literal '%'; the entries carry no other), then the quoting rules.
std::optional<std::vector<string>> ParseExec(const string& raw) {
  string s;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      s += raw[i];
      continue;
    }
    if (++i == raw.size()) return std::nullopt;
    switch (raw[i]) {
      case 's': s += ' '; break;
      case 'n': s += '\n'; break;
      case 't': s += '\t'; break;
      case 'r': s += '\r'; break;
      case '\\': s += '\\'; break;
      default: return std::nullopt;
    }
  }
  string expanded;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      expanded += s[i];
      continue;
    }
    if (i + 1 == s.size() || s[i + 1] != '%') return std::nullopt;
    expanded += '%';
    ++i;
  }
  std::vector<string> args;
  string arg;
  bool inArg = false, quoted = false;
  const string reserved = "\t\n\"'\\><~|&;$*?#()`";
  for (std::size_t i = 0; i < expanded.size(); ++i) {
    const char c = expanded[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\') {
        if (++i == expanded.size() || string("\"`$\\").find(expanded[i]) == string::npos)
          return std::nullopt;
        arg += expanded[i];
      } else {
        arg += c;
      }
    } else if (c == ' ') {
      if (inArg) args.push_back(arg);
      arg.clear();
      inArg = false;
    } else if (c == '"') {
      quoted = inArg = true;
    } else if (reserved.find(c) != string::npos) {
      return std::nullopt;  // reserved characters must be quoted
    } else {
      arg += c;
      inArg = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inArg) args.push_back(arg);
  return args;
}

// The value of key in the [Desktop Entry] group, as written (escapes untouched).
std::optional<string> EntryValue(const string& text, const string& key) {
  bool inGroup = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    if (lf == string::npos) lf = text.size();
    const string line = text.substr(pos, lf - pos);
    pos = lf + 1;
    if (!line.empty() && line[0] == '[') {
      inGroup = line == "[Desktop Entry]";
      continue;
    }
    if (inGroup && line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return std::nullopt;
}

// Environment variables set for one test and put back afterwards.
class ScopedEnv {
 public:
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  void Set(const string& name, const std::optional<string>& value) {
    const char* old = std::getenv(name.c_str());
    saved_.push_back({name, old ? std::optional<string>(old) : std::nullopt});
    if (value) ::setenv(name.c_str(), value->c_str(), 1);
    else ::unsetenv(name.c_str());
  }

 private:
  std::vector<std::pair<string, std::optional<string>>> saved_;
};

// A program that records the path it was started as beside itself.
void MakeProgram(const string& path) {
  ASSERT_TRUE(Spit(path, "#!/bin/sh\nprintf '%s' \"$0\" > \"${0%/*}/started\"\n"));
  ::chmod(path.c_str(), 0755);
}

bool Validates(const string& entry, const Scratch& dir) {
  const int rc = testutil::RunProgram({kValidator, entry}, 20, dir / "validator.txt");
  if (rc != 0) ADD_FAILURE() << "desktop-file-validate: " << Slurp(dir / "validator.txt").value_or("");
  return rc == 0;
}

class Autostart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    env.Set("HOME", dir / "home");
    env.Set("XDG_CONFIG_HOME", std::nullopt);
    ASSERT_EQ(::mkdir((dir / "home").c_str(), 0700), 0);
    // A folder name with the characters that need care in an Exec line.
    folder = dir / "my apps \"quoted\" it's \\ $HOME `id` ;&|*?#()<>~ x";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    program = folder + "/tavrel";
    MakeProgram(program);
  }
  string RunEntry() const { return dir / "home/.config/autostart/Tavrel.desktop"; }
  string OnceEntry() const { return dir / "home/.config/autostart/Tavrel-once.desktop"; }

  // Starts the entry as a desktop session would: with GLib's launcher where it is installed,
  // otherwise with the arguments parsed here.
  void Launch(const string& entry) {
    if (Exists(kGio)) {
      EXPECT_EQ(testutil::RunProgram({kGio, "launch", entry}, 20, dir / "gio.txt"), 0)
          << Slurp(dir / "gio.txt").value_or("");
      return;
    }
    const auto exec = ParseExec(EntryValue(Slurp(entry).value_or(""), "Exec").value_or(""));
    ASSERT_TRUE(exec);
    EXPECT_EQ(testutil::RunProgram(*exec), 0);
  }

  Scratch dir;
  ScopedEnv env;
  string folder;
  string program;
  XdgAutostart autostart;
};

TEST_F(Autostart, RunEntryStartsTheProgramWhateverItsPath) {
  if (!Exists(kGio)) std::cerr << "gio (libglib2.0-bin) is missing: entries start without it\n";
  // Blanks, quotes, backslash, '$', '`' and shell characters: the path is the one argument.
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  ASSERT_TRUE(Exists(RunEntry())) << "the autostart folder is created when missing";
  string text = Slurp(RunEntry()).value_or("");
  EXPECT_TRUE(Validates(RunEntry(), dir)) << text;
  EXPECT_EQ(EntryValue(text, "Type"), "Application");
  EXPECT_EQ(EntryValue(text, "Name"), "Tavrel");
  auto exec = ParseExec(EntryValue(text, "Exec").value_or(""));
  ASSERT_TRUE(exec) << text;
  EXPECT_EQ(*exec, std::vector<string>{program});
  Launch(RunEntry());
  EXPECT_EQ(testutil::WaitForFile(folder + "/started"), program);
  EXPECT_TRUE(Exists(RunEntry())) << "the every-logon entry stays";

  // '%' and '=' in the path: started through the shell, the path still one argument.
  for (const string name : {"100% sure", "a=b"}) {
    SCOPED_TRACE(name);
    const string other = dir / name;
    ASSERT_EQ(::mkdir(other.c_str(), 0755), 0);
    const string prog = other + "/tavrel";
    MakeProgram(prog);
    ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", prog));
    text = Slurp(RunEntry()).value_or("");
    EXPECT_TRUE(Validates(RunEntry(), dir)) << text;
    exec = ParseExec(EntryValue(text, "Exec").value_or(""));
    ASSERT_TRUE(exec) << text;
    ASSERT_EQ(exec->size(), 5u) << text;
    EXPECT_EQ((*exec)[0], "/bin/sh");
    EXPECT_EQ((*exec)[4], prog);
    Launch(RunEntry());
    EXPECT_EQ(testutil::WaitForFile(other + "/started"), prog);
  }
}

TEST_F(Autostart, RunOnceEntryRemovesItselfBeforeItStartsTheProgram) {
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel", program));
  ASSERT_TRUE(Exists(OnceEntry()));
  EXPECT_FALSE(Exists(RunEntry()));
  const string text = Slurp(OnceEntry()).value_or("");
  EXPECT_TRUE(Validates(OnceEntry(), dir)) << text;
  const auto exec = ParseExec(EntryValue(text, "Exec").value_or(""));
  ASSERT_TRUE(exec) << text;
  ASSERT_EQ(exec->size(), 6u) << text;
  EXPECT_EQ((*exec)[0], "/bin/sh");
  EXPECT_EQ((*exec)[1], "-c");
  EXPECT_EQ(exec->at(2).find(program), string::npos) << "the path is no part of the script";
  EXPECT_EQ((*exec)[4], program);
  EXPECT_EQ((*exec)[5], OnceEntry());

  // Run by hand as the entry says, then as the desktop would.
  ASSERT_EQ(testutil::RunProgram(*exec), 0);
  EXPECT_FALSE(Exists(OnceEntry()));
  EXPECT_EQ(testutil::WaitForFile(folder + "/started"), program);

  ::unlink((folder + "/started").c_str());
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel", program));
  Launch(OnceEntry());
  EXPECT_EQ(testutil::WaitForFile(folder + "/started"), program);
  EXPECT_FALSE(Exists(OnceEntry()));
}

TEST_F(Autostart, ConfigHomeIsTakenFromTheEnvironmentOfEachCall) {
  const string config = dir / "config home/nested";
  env.Set("XDG_CONFIG_HOME", config);
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  EXPECT_TRUE(Exists(config + "/autostart/Tavrel.desktop"));
  EXPECT_FALSE(Exists(RunEntry()));

  env.Set("XDG_CONFIG_HOME", "relative/path");  // not absolute: ignored
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  EXPECT_TRUE(Exists(RunEntry()));
  EXPECT_FALSE(Exists("relative"));
}

TEST_F(Autostart, RewritingKeepsTheEntrysOtherLines) {
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  const string expectedExec = EntryValue(Slurp(RunEntry()).value_or(""), "Exec").value_or("?");
  const string edited =
      "# kept comment\n"
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Tavrel\n"
      "Name[de]=Tavrel DE\n"
      "Exec=/old/place/tavrel\n"
      "Icon=tavrel\n"
      "X-GNOME-Autostart-Delay=10\n"
      "Actions=Other;\n"
      "\n"
      "[Desktop Action Other]\n"
      "Name=Other\n"
      "Exec=/usr/bin/other\n";
  ASSERT_TRUE(Spit(RunEntry(), edited));
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  string expected = edited;
  expected.replace(expected.find("/old/place/tavrel"), 17, expectedExec);
  EXPECT_EQ(Slurp(RunEntry()), expected);
  EXPECT_TRUE(Validates(RunEntry(), dir));

  // Writing the same again leaves the file as it is.
  struct stat before {}, after {};
  ::stat(RunEntry().c_str(), &before);
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  ::stat(RunEntry().c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(Autostart, MissingKeysAreAddedAndAnUnusableFileIsReplaced) {
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  const string exec = EntryValue(Slurp(RunEntry()).value_or(""), "Exec").value_or("?");

  ASSERT_TRUE(Spit(RunEntry(), "[Desktop Entry]\nComment=mine\n\n[Other Group]\nKey=1\n"));
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  EXPECT_EQ(Slurp(RunEntry()), "[Desktop Entry]\nComment=mine\nType=Application\nName=Tavrel\nExec=" +
                                   exec + "\n\n[Other Group]\nKey=1\n");

  const char kBinary[] = "\x7f" "ELF\0\0\x01garbage\n";
  ASSERT_TRUE(Spit(RunEntry(), string(kBinary, sizeof kBinary - 1)));
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  EXPECT_EQ(Slurp(RunEntry()), "[Desktop Entry]\nType=Application\nName=Tavrel\nExec=" + exec + "\n");
  EXPECT_TRUE(Validates(RunEntry(), dir));
}

TEST_F(Autostart, DeleteRemovesOnlyItsEntryAndIsSilentWhenThereIsNone) {
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel");  // no folder yet
  EXPECT_FALSE(Exists(dir / "home/.config"));
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  ASSERT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel", program));
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel");
  EXPECT_FALSE(Exists(RunEntry()));
  EXPECT_TRUE(Exists(OnceEntry()));
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel");
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel");
  EXPECT_FALSE(Exists(OnceEntry()));
}

TEST_F(Autostart, UnwritablePlaceFailsWithoutSideEffects) {
  ASSERT_TRUE(Spit(dir / "plain file", "x"));
  env.Set("XDG_CONFIG_HOME", dir / "plain file/config");
  EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", program));
  EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunOnceKey, "Tavrel", program));
  autostart.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel");
  EXPECT_EQ(Slurp(dir / "plain file"), "x");

  // A read-only autostart folder, where permissions bind.
  env.Set("XDG_CONFIG_HOME", dir / "ro");
  ASSERT_EQ(::mkdir((dir / "ro").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir / "ro/autostart").c_str(), 0555), 0);
  ::chmod((dir / "ro/autostart").c_str(), 0555);
  ::chmod(dir.path().c_str(), 0755);
  const string prog = program;
  const int failed = testutil::WherePermissionsBind([&] {
    XdgAutostart a;
    return a.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", prog) ? 1 : 0;
  });
  EXPECT_EQ(failed, 0);
  EXPECT_FALSE(Exists(dir / "ro/autostart/Tavrel.desktop"));
}

TEST_F(Autostart, RefusesWhatItCannotRepresent) {
  const uint32_t kCurrentUser = 0x80000001u;
  EXPECT_FALSE(autostart.SetRegistryValue(kCurrentUser, kRunKey, "Tavrel", program));
  EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, "Software\\Other", "Tavrel", program));
  for (const char* name : {"", ".", "..", "a/b", "tab\there"})
    EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, name, program)) << name;
  EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", ""));
  EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", "/opt/a\nb"));
  EXPECT_FALSE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, "Tavrel", "/opt/\xe9t\xe9"))
      << "an entry holds UTF-8 only";
  EXPECT_FALSE(Exists(dir / "home/.config/autostart/Tavrel.desktop"));

  // Key names compare without regard to case, as the registry's do.
  EXPECT_TRUE(autostart.SetRegistryValue(HKEY_LOCAL_MACHINE_,
                                         "software\\microsoft\\windows\\currentversion\\run",
                                         "Tavrel", program));
  EXPECT_TRUE(Exists(RunEntry()));
}

}  // namespace
}  // namespace tavrel
