// The real executable, copied into a scratch folder, started and stopped as a user would: with a
// home of its own, no display (or a private X server), and, where a test needs a machine that is
// offline, a dialler that hangs or a name server that never answers, inside namespaces that the
// test makes (network, mount, host name) with stand-ins mounted over the real programs there.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>

#include "platform_linux/fake_login_manager.h"
#include "platform_linux/settings_test_util.h"
#include "platform_linux/standins.h"

namespace fs = std::filesystem;

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testutil::ReadAll;
using testutil::Running;
using testutil::WaitFor;

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Today's "dd-mm-yy", as the log files are named.
std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%d-%m-%y", &tm);
  return buf;
}

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path exe = fs::path(TAVREL_BINARY_DIR) / "tavrel";
    ASSERT_TRUE(fs::exists(exe)) << exe;
    app = fs::path(scratch.path()) / "app";
    home = fs::path(scratch.path()) / "home";
    fs::create_directories(app);
    fs::create_directories(home);
    fs::copy_file(exe, app / "tavrel");
    env = {{"HOME", home},
           {"XDG_CONFIG_HOME", home / ".config"},
           {"XDG_DATA_HOME", home / ".local/share"},
           {"XDG_CACHE_HOME", home / ".cache"},
           // No system bus of the machine's: NetworkManager and the login manager are absent
           // unless a test brings its own.
           {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (fs::path(scratch.path()) / "no-bus").string()},
           {"TAVREL_STANDIN_DIR", scratch / "standins"}};
  }
  void TearDown() override {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  // Starts the copy without a display. With setup, it runs inside new network, mount and
  // host-name namespaces after that shell script has run there.
  void Start(const std::string& setup = "") {
    pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::chdir(app.c_str());
      const int out = ::open((scratch / "output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, 1);
      ::dup2(out, 2);
      for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "TMPDIR"}) ::unsetenv(v);
      for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
      const std::string exe = app / "tavrel";
      if (setup.empty()) {
        ::execl(exe.c_str(), "tavrel", static_cast<char*>(nullptr));
      } else {
        const std::string script = "set -e; ip link set lo up; " + setup + "\nexec \"$0\"";
        ::execlp("unshare", "unshare", "--mount", "--net", "--uts", "--", "/bin/bash", "-c", script.c_str(),
                 exe.c_str(), static_cast<char*>(nullptr));
      }
      ::_exit(127);
    }
  }
  std::string Output() const { return ReadAll(scratch / "output.txt"); }
  std::string MonitorLog() const { return ReadAll(app / "logs" / (Today() + "_monitor.log")); }
  // The load has finished once the first logs and the settings file exist.
  bool WaitForLoad() {
    return WaitFor([&] {
      return fs::exists(app / "logs" / "traffic" / (Today() + "_traffic.log")) && fs::exists(app / "Tavrel.ini");
    });
  }
  // Sends a signal; the exit code, or -1 when the program has not ended within the bound, with
  // the time it took.
  int StopWith(int sig, std::chrono::milliseconds bound = 10s) {
    ::kill(pid, sig);
    const auto start = Clock::now();
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, bound);
    took = Clock::now() - start;
    if (!ended) return -1;
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::string Marker() const {  // Temp/1, the start-up report's marker
    const std::string ini = ReadAll(app / "Tavrel.ini");
    const auto temp = ini.find("[Temp]\r\n1=");
    return temp == std::string::npos ? "<none>" : ini.substr(temp + 10, ini.find("\r\n", temp + 10) - temp - 10);
  }
  // The stand-in nmcli, mounted over the real one inside the namespaces, and its profiles.
  std::string WithStandInNmcli() {
    fs::create_directories(scratch / "standins/nm/profiles/DSL");
    testutil::Spit(scratch / "standins/nmcli", testutil::kNmcliStandIn);
    ::chmod((scratch / "standins/nmcli").c_str(), 0755);
    testutil::Spit(scratch / "standins/nm/list", "DSL:pppoe\n");
    testutil::Spit(scratch / "standins/nm/profiles/DSL/pppoe.username", "stored\n");
    return "touch /usr/bin/nmcli; mount --bind '" + (scratch / "standins/nmcli") + "' /usr/bin/nmcli";
  }

  testutil::Scratch scratch;
  fs::path app, home;
  std::map<std::string, std::string> env;
  pid_t pid = -1;
  Clock::duration took{};
};

bool NamespacesWork() {
  return ::geteuid() == 0 && Have("unshare") && Have("ip") &&
         std::system("unshare --mount --net --uts -- true >/dev/null 2>&1") == 0;
}

// --- Start and normal ends ---------------------------------------------------------------------

TEST_F(ProgramRun, StartedInAnEmptyFolderAndInterruptedItLeavesItsFilesPrivateAndTidy) {
  // A temporary settings file that a killed run left behind (it holds the password).
  const fs::path leftover = app / ".Tavrel.ini.4194303.1f.tmp";
  ASSERT_TRUE(testutil::Spit(leftover, "PWord=secret"));
  Start();
  ASSERT_TRUE(WaitForLoad()) << Output();
  EXPECT_FALSE(fs::exists(leftover)) << "removed at start";
  EXPECT_EQ(ReadAll("/proc/" + std::to_string(pid) + "/maps").find("libcurl"), std::string::npos)
      << "libcurl is loaded by the update window's first download, not at start";
  EXPECT_EQ(StopWith(SIGTERM), 0) << Output();

  struct stat st {};
  ASSERT_EQ(::stat((app / "Tavrel.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the settings file holds a password";
  EXPECT_NE(ReadAll(app / "Tavrel.ini").find("valA=0"), std::string::npos);
  EXPECT_EQ(Marker(), "") << "the start-up marker is emptied";
  EXPECT_TRUE(fs::is_directory(app / "logs" / "traffic"));
  EXPECT_NE(Output().find("offscreen"), std::string::npos) << "without a display the program says it runs offscreen";
  EXPECT_FALSE(fs::exists(home / ".config/autostart")) << "without a login manager a SIGTERM is no end of the session";
}

// --- Signals -----------------------------------------------------------------------------------

// SIGTERM is another program asking Tavrel to end; only the login manager closing the session
// makes it the end of the session, which registers one more start at the next logon. That entry
// runs the executable itself, also when the program folder is elsewhere (here the executable's
// folder belongs to another user, so the settings live in the data folder).
TEST_F(ProgramRun, TerminationIsTheEndOfTheSessionOnlyWhenTheLoginManagerSaysSo) {
  if (!Have("dbus-daemon")) GTEST_SKIP() << "dbus-daemon is missing (scripts/install-deps installs dbus)";
  if (::geteuid() == 0) { ASSERT_TRUE(testutil::GiveToRunner(app)); }
  const fs::path entry = home / ".config/autostart/Tavrel-once.desktop";
  const fs::path data = home / ".local/share/Tavrel";
  for (const char* state : {"active", "closing"}) {
    SCOPED_TRACE(state);
    testutil::FakeLoginManager login(state);
    ASSERT_TRUE(login.Ready());
    env["DBUS_SYSTEM_BUS_ADDRESS"] = login.Address();
    fs::remove_all(data / "logs");
    Start();
    ASSERT_TRUE(WaitFor([&] { return fs::exists(data / "logs/traffic" / (Today() + "_traffic.log")); })) << Output();
    EXPECT_EQ(StopWith(SIGTERM), 0) << Output();
    EXPECT_EQ(fs::exists(entry), std::string(state) == "closing");
  }
  const std::string text = ReadAll(entry);
  EXPECT_NE(text.find((app / "tavrel").string()), std::string::npos) << text;
  EXPECT_EQ(text.find(data.string()), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(app / "Tavrel.ini")) << "another user's folder takes no settings";
  EXPECT_TRUE(fs::exists(data / "Tavrel.ini"));
}

// A signal during the load's host lookup (a name server that never answers) ends the program
// within 2 s, through its unload, not by the signal's default action.
TEST_F(ProgramRun, ASignalDuringAHostLookupEndsTheProgramPromptly) {
  if (!NamespacesWork()) GTEST_SKIP() << "needs root and network namespaces";
  ASSERT_TRUE(testutil::Spit(scratch / "resolv.conf", "nameserver 10.77.77.2\noptions timeout:30 attempts:1\n"));
  // The name server is on a link where nothing answers: its questions are dropped unseen.
  Start(
      "ip link add v0 type veth peer name v1; ip addr add 10.77.77.1/24 dev v0; ip link set v0 up; "
      "ip link set v1 up; ip neigh replace 10.77.77.2 lladdr 02:00:00:00:00:02 dev v0 nud permanent; "
      "hostname tavrel-lookup-test.invalid; mount --bind '" +
      (scratch / "resolv.conf") + "' /etc/resolv.conf");
  // The question to the silent name server is out (10.77.77.2:53).
  ASSERT_TRUE(WaitFor([&] {
    return ReadAll("/proc/" + std::to_string(pid) + "/net/udp").find(" 024D4D0A:0035 ") != std::string::npos;
  })) << Output();
  EXPECT_EQ(StopWith(SIGHUP), 0) << Output();
  EXPECT_LT(took, 2s);
  EXPECT_EQ(Marker(), "") << "the unload ran";
}

// A signal during a dial ends the program within 2 s, and the dialler's process group with it.
TEST_F(ProgramRun, ASignalDuringADialEndsItAndTheProgramPromptly) {
  if (!NamespacesWork()) GTEST_SKIP() << "needs root and network namespaces";
  const std::string mount = WithStandInNmcli();
  testutil::Spit(scratch / "standins/nm/up.sleep", "60\n");
  ASSERT_TRUE(testutil::Spit(app / "Tavrel.ini", "[Settings]\r\nConID=DSL\r\nUName=alice\r\nPWord=secret\r\n"));
  ::chmod((app / "Tavrel.ini").c_str(), 0600);
  Start(mount);  // no default route: offline, so the first tick dials
  pid_t dialler = 0;
  ASSERT_TRUE(WaitFor([&] {
    dialler = std::atoi(ReadAll(scratch / "standins/nmcli.up.pid").c_str());
    return dialler > 0;
  })) << Output()
      << MonitorLog();
  EXPECT_EQ(StopWith(SIGTERM), 0) << Output();
  EXPECT_LT(took, 2s);
  EXPECT_TRUE(WaitFor([&] { return !Running(dialler); }, 2s)) << "the dialler's group ended";
  EXPECT_EQ(Marker(), "");
}

}  // namespace
}  // namespace tavrel
