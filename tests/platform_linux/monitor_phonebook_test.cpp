// The Linux phonebook and its helper runner: NetworkManager's nmcli and pppd are replaced by
// stand-in programs that answer like them and record their arguments and input (pppd cannot run
// without kernel PPP); the real nmcli is used by the NmLive tests, which the end-to-end script
// runs inside its NetworkManager namespace.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "monitor/modRAS.h"
#include "platform/linux/LinuxPhonebook.h"
#include "platform/linux/NmBus.h"
#include "platform/linux/ProcessRunner.h"
#include "platform/linux/StopRequest.h"
#include "settings_test_util.h"
#include "standins.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using linux_platform::ProcessRequest;
using linux_platform::RunProcess;
using Args = std::vector<std::string>;
using testutil::ReadAll;

RasDialParams Params(const std::string& name, const std::string& user = "", const std::string& password = "") {
  RasDialParams p{};
  modRAS::TextToBytes(name, p.szEntryName);
  modRAS::TextToBytes(user, p.szUserName);
  modRAS::TextToBytes(password, p.szPassword);
  return p;
}

// Waits for the process to end, for 30 s at most.
bool EndsSoon(pid_t pid) {
  return testutil::WaitFor([pid] { return !testutil::Running(pid); });
}

template <typename F>
std::chrono::steady_clock::duration Timed(F f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::steady_clock::now() - t0;
}

TEST(ProcessRunner, InputOutputAndExitCodes) {
  ProcessRequest s{.argv = {"/bin/sh", "-c", "cat; echo err >&2; cat <&3; exit 3"},
                   .stdinData = "from stdin\n",
                   .useStdin = true,
                   .fd3Data = "from fd3\n",
                   .useFd3 = true};
  auto r = RunProcess(s);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "from stdin\nfrom fd3\n");
  EXPECT_EQ(r.err, "err\n");

  s = {};
  s.argv = {"/nonexistent/program"};
  EXPECT_FALSE(RunProcess(s).started);
  s.argv = {"sh", "-c", "kill -TERM $$"};  // found through PATH; ends by a signal
  EXPECT_EQ(RunProcess(s).exitCode, 128 + SIGTERM);
  s.argv = {"/bin/sh", "-c", "test -t 0 || read x; echo \"[$x]\""};  // stdin is /dev/null
  EXPECT_EQ(RunProcess(s).out, "[]\n");
  s.argv = {"/bin/sh", "-c", "head -c 3000000 /dev/zero"};
  s.maxOutput = 1000;
  r = RunProcess(s);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.size(), 1000u);
  EXPECT_TRUE(r.truncated);
}

TEST(ProcessRunner, TimeBoundKillsTheGroupAndADaemonDoesNotHoldTheCall) {
  testutil::Scratch d;
  ProcessRequest s;
  // The grandchild ignores SIGTERM: only the group's SIGKILL ends it.
  s.argv = {"/bin/sh", "-c", "sh -c \"trap '' TERM; exec sleep 120\" & echo $! > " + (d / "grandchild") + "; wait"};
  s.timeout = 1s;
  EXPECT_LT(Timed([&] { EXPECT_TRUE(RunProcess(s).timedOut); }), 60s);
  const pid_t grandchild = std::atoi(ReadAll(d / "grandchild").c_str());
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(EndsSoon(grandchild));

  // Like pppd updetach: the program ends while a child of its own keeps the output open.
  s = {};
  s.argv = {"/bin/sh", "-c", "echo up; (sleep 60) & exit 0"};
  EXPECT_LT(Timed([&] { EXPECT_EQ(RunProcess(s).out, "up\n"); }), 30s);
}

// The program is stopping (a signal came): the helper's whole group ends at once, and nothing
// new starts.
TEST(ProcessRunner, AStopRequestEndsTheGroupAtOnce) {
  testutil::Scratch d;
  ProcessRequest s;
  s.argv = {"/bin/sh", "-c", "sleep 30 & echo $! > " + (d / "grandchild") + "; wait"};
  s.timeout = 120s;
  std::thread stopper([] {
    std::this_thread::sleep_for(300ms);
    linux_platform::RequestStop();
  });
  EXPECT_LT(Timed([&] {
              const auto r = RunProcess(s);
              EXPECT_TRUE(r.cancelled);
              EXPECT_EQ(r.exitCode, -1);
            }),
            60s);
  stopper.join();
  const pid_t grandchild = std::atoi(ReadAll(d / "grandchild").c_str());
  ASSERT_GT(grandchild, 0);
  EXPECT_TRUE(EndsSoon(grandchild));
  s.argv = {"/bin/true"};
  EXPECT_FALSE(RunProcess(s).started);
  linux_platform::ClearStopRequest();
  EXPECT_EQ(RunProcess(s).exitCode, 0);
}

// ---------------------------------------------------------------------------------------------
// Stand-ins.

class StandIns : public ::testing::Test {
 protected:
  void SetUp() override {
    Write("nmcli", testutil::kNmcliStandIn, 0700);
    Write("pppd", testutil::kPppdStandIn, 0700);
    // nmcli's order: active first, then by name; names may hold ':' and '\'.
    Write("nm/list",
          "Office VPN:vpn\nlo:loopback\nDSL\\: home:pppoe\nMobile:gsm\n"
          "Wired:802-3-ethernet\nCampus:802-3-ethernet\nHome Wi-Fi:802-11-wireless\n"
          "shared:802-3-ethernet\n");
    Profile("Office VPN", {{"connection.type", "vpn"},
                           {"vpn.user-name", ""},
                           {"vpn.data", "gateway = vpn.example, username = kim\\, k, port = 1194"},
                           {"vpn.secrets", "password = v:p\\,n"}});
    Profile("DSL: home", {{"connection.type", "pppoe"},
                          {"pppoe.username", "dsl-user@isp"},
                          {"pppoe.password", "p:w\\d"},
                          {"ipv4.dhcp-timeout", "0"}});
    Profile("Mobile", {{"gsm.username", "web"}, {"gsm.password", ""}, {"ipv4.dhcp-timeout", "100"}});
    Profile("Wired", {{"ipv4.dhcp-timeout", "0"}});
    Profile("Campus", {{"802-1x.eap", "peap"}, {"802-1x.identity", "student"}});
    Profile("Home Wi-Fi", {{"802-11-wireless-security.key-mgmt", "wpa-psk"}});
    Write("ppp/peers/dialup", "# the ISP\nttyS0 115200\nuser \"dial user\" # quoted\nnoauth\n");
    Write("ppp/peers/chap-only", "user chapper\nremotename isp-b\n");
    Write("ppp/peers/nouser", "ttyUSB0\n");
    Write("ppp/peers/shared", "user x\n");  // hidden by the profile of that name
    Write("ppp/peers/.hidden", "user y\n");
    Write("ppp/peers/dialup~", "user z\n");
    Write("ppp/pap-secrets",
          "# client server secret\n\"dial user\" otherserver wrong\n"
          "\"dial user\" * \"s3 cret\\\"q\"\n");
    Write("ppp/chap-secrets", "chapper isp-a wrong\nchapper isp-b chap-pass *\n");
  }
  void Write(const std::string& name, const std::string& text, mode_t mode = 0600) const {
    std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
    ASSERT_TRUE(testutil::Spit(dir / name, text));
    ::chmod((dir / name).c_str(), mode);
  }
  void Profile(const std::string& name, const std::vector<std::pair<std::string, std::string>>& v) {
    for (const auto& [k, val] : v) Write("nm/profiles/" + name + "/" + k, val + "\n");
  }
  PhonebookOptions Options() const {
    PhonebookOptions o;
    o.nmcli = dir / "nmcli";
    o.pppd = dir / "pppd";
    o.pppRoot = dir / "ppp";
    o.listTimeout = 5s;
    return o;
  }
  // The argument lists of the recorded calls of one stand-in.
  std::vector<Args> Calls(const std::string& who) const {
    std::vector<Args> calls(1);
    std::istringstream in(ReadAll(dir / (who + ".calls")));
    for (std::string l; std::getline(in, l);) {
      if (l == "--")
        calls.emplace_back();
      else
        calls.back().push_back(l);
    }
    calls.pop_back();
    return calls;
  }
  testutil::Scratch dir;
};

TEST_F(StandIns, EntriesInNetworkManagerOrderThenPeers) {
  LinuxPhonebook pb(Options());
  Args names;
  for (const auto& e : pb.Entries()) names.push_back(e.name);
  EXPECT_EQ(names, (Args{"Office VPN", "DSL: home", "Mobile", "Wired", "Campus", "Home Wi-Fi", "shared", "chap-only",
                         "dialup", "nouser"}));
  std::vector<RasEntryName> records(kMaxPhonebookEntries), few(3);
  std::uint32_t count = 0;
  EXPECT_EQ(pb.RasEnumEntries(records, count), 0u);
  ASSERT_EQ(count, 10u);
  EXPECT_EQ(modRAS::BytesToText(records[1].szEntryName), "DSL: home");
  EXPECT_EQ(pb.RasEnumEntries(few, count), phonebook_error::kBufferTooSmall);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(modRAS::BytesToText(few[2].szEntryName), "Mobile");

  // No dialler installed: an empty phonebook.
  PhonebookOptions o = Options();
  o.nmcli = o.pppRoot = "/nonexistent";
  LinuxPhonebook none(o);
  EXPECT_EQ(none.RasEnumEntries(records, count), 0u);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(none.RasDial(Params("Wired")), phonebook_error::kCannotFindEntry);
}

TEST_F(StandIns, StoredAccountsOfEveryKind) {
  LinuxPhonebook pb(Options());
  const struct {
    const char* entry;
    const char* user;
    const char* password;
  } cases[] = {
      {"DSL: home", "dsl-user@isp", "p:w\\d"},
      {"Mobile", "web", ""},
      {"Office VPN", "kim, k", "v:p,n"},
      {"Wired", "", ""},
      {"dialup", "dial user", "s3 cret\"q"},
      {"chap-only", "chapper", "chap-pass"},
      {"nouser", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    RasDialParams p = Params(c.entry, "X");  // replaced, not kept
    bool saved = false;
    ASSERT_EQ(pb.RasGetEntryDialParams(p, saved), 0u);
    EXPECT_EQ(modRAS::BytesToText(p.szUserName), c.user);
    EXPECT_EQ(modRAS::BytesToText(p.szPassword), c.password);
    EXPECT_EQ(saved, *c.password != '\0');
  }
  RasDialParams missing = Params("Nowhere");
  bool saved = false;
  EXPECT_EQ(pb.RasGetEntryDialParams(missing, saved), phonebook_error::kCannotFindEntry);
  // Secrets are asked for with -s, and nothing is asked on a command line with a password.
  for (const auto& call : Calls("nmcli"))
    for (const auto& a : call) EXPECT_EQ(a.find("p:w"), std::string::npos);
}

// A profile is dialled with the settings' account: the user name on the running profile only
// (never the one stored on disk), the password through stdin for every secret the profile may
// ask for.
TEST_F(StandIns, DialsProfilesWithTheSettingsAccount) {
  LinuxPhonebook pb(Options());
  const auto dial = [&](const std::string& entry, const std::string& user, const std::string& password) {
    std::filesystem::remove(dir / "nmcli.calls");
    std::filesystem::remove(dir / "nmcli.stdin");
    EXPECT_EQ(pb.RasDial(Params(entry, user, password)), 0u) << entry;
    return Calls("nmcli");
  };
  const auto up = [](const std::string& entry, const char* wait = "90") {
    return Args{"--wait", wait, "connection", "up", "id", entry, "passwd-file", "/dev/stdin"};
  };
  // Each dial: the listing, the profile's fields, the user name when it differs, the dial.
  auto calls = dial("DSL: home", "alice", "typed:pw");
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1], (Args{"-t", "-f", "ipv4.dhcp-timeout,pppoe.username", "connection", "show", "id", "DSL: home"}));
  EXPECT_EQ(calls[2], (Args{"connection", "modify", "--temporary", "id", "DSL: home", "pppoe.username", "alice"}));
  EXPECT_EQ(calls[3], up("DSL: home"));
  EXPECT_EQ(ReadAll(dir / "nmcli.stdin"), "pppoe.password:typed:pw\n");
  // The profile's own user name, or none given: nothing to change.
  EXPECT_EQ(dial("DSL: home", "dsl-user@isp", "pw").size(), 3u);
  EXPECT_EQ(dial("DSL: home", "", "pw").size(), 3u);

  calls = dial("Office VPN", "kim", "vpw");
  EXPECT_EQ(calls.at(2), (Args{"connection", "modify", "--temporary", "id", "Office VPN", "vpn.user-name", "kim"}));
  EXPECT_EQ(ReadAll(dir / "nmcli.stdin"), "vpn.secrets.password:vpw\n");
  calls = dial("Campus", "freshman", "8021x");
  EXPECT_EQ(calls.at(2), (Args{"connection", "modify", "--temporary", "id", "Campus", "802-1x.identity", "freshman"}));
  EXPECT_EQ(ReadAll(dir / "nmcli.stdin"), "802-1x.password:8021x\n");
  calls = dial("Home Wi-Fi", "nobody", "wifi key");  // no 802.1X: no user name to set
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2], up("Home Wi-Fi"));
  EXPECT_EQ(ReadAll(dir / "nmcli.stdin"),
            "802-11-wireless-security.psk:wifi key\n802-11-wireless-security.wep-key0:wifi key\n");

  // A profile without any secret gets no passwd-file; a longer DHCP wait lengthens the bound.
  calls = dial("Wired", "u", "unused");
  EXPECT_EQ(calls.back(), (Args{"--wait", "90", "connection", "up", "id", "Wired"}));
  EXPECT_FALSE(testutil::Exists(dir / "nmcli.stdin"));
  EXPECT_EQ(dial("Mobile", "", "").back().at(1), "130");

  const auto before = Calls("nmcli").size();
  EXPECT_EQ(pb.RasDial(Params("Wired", "", "two\nlines")), phonebook_error::kBadPassword);
  EXPECT_EQ(Calls("nmcli").size(), before);  // nothing was run
  Write("nm/modify.rc", "1\n");              // the user name cannot be set: no dial with the wrong one
  EXPECT_EQ(pb.RasDial(Params("DSL: home", "bob", "pw")), phonebook_error::kDialFailed);
  EXPECT_EQ(Calls("nmcli").back().at(1), "modify");  // and no `connection up` after it
  Write("nm/up.rc", "4\n");
  EXPECT_EQ(pb.RasDial(Params("Wired")), phonebook_error::kDialFailed);
}

TEST_F(StandIns, DialsPeersWithThePasswordInAPipedOptionsFileWithinTheBound) {
  LinuxPhonebook pb(Options());
  EXPECT_EQ(pb.RasDial(Params("dialup", "dial user", "pa ss\"\\word")), 0u);
  EXPECT_EQ(Calls("pppd").back(), (Args{"call", "dialup", "updetach", "user", "dial user", "file", "/dev/fd/3"}));
  EXPECT_EQ(ReadAll(dir / "pppd.file"), "password \"pa ss\\\"\\\\word\"\n");

  // Without a password no options file; a failing pppd is a failed dial.
  Write("pppd.rc", "19\n");
  EXPECT_EQ(pb.RasDial(Params("nouser")), phonebook_error::kDialFailed);
  EXPECT_EQ(Calls("pppd").back(), (Args{"call", "nouser", "updetach"}));
  // A peer file name outside the peers folder is never dialled.
  EXPECT_EQ(pb.RasDial(Params("../pap-secrets")), phonebook_error::kCannotFindEntry);
  EXPECT_EQ(Calls("pppd").size(), 2u);

  // A hanging dial is killed at its bound.
  Write("pppd.sleep", "120\n");
  PhonebookOptions o = Options();
  o.dialTimeout = 1s;
  EXPECT_LT(Timed([&] { EXPECT_EQ(LinuxPhonebook(o).RasDial(Params("dialup")), phonebook_error::kTimeout); }), 60s);
}

// The password reaches the diallers through their input alone: never an argument or the
// environment, which other users may read in /proc.
TEST_F(StandIns, ThePasswordIsInNoArgumentOrEnvironmentOfADialler) {
  const std::string password = "Known-Secret-" + std::to_string(::getpid());
  LinuxPhonebook pb(Options());
  for (const char* entry : {"dialup", "DSL: home"})
    EXPECT_EQ(pb.RasDial(Params(entry, "dial user", password)), 0u) << entry;
  for (const char* record : {"nmcli.calls", "nmcli.env", "pppd.calls", "pppd.env"}) {
    EXPECT_NE(ReadAll(dir / record), "") << record;
    EXPECT_EQ(ReadAll(dir / record).find(password), std::string::npos) << record;
  }
  EXPECT_NE(ReadAll(dir / "pppd.file").find(password), std::string::npos);
  EXPECT_EQ(ReadAll(dir / "nmcli.stdin"), "pppoe.password:" + password + "\n");
}

// When the dialler's end cannot be observed (here SIGCHLD is ignored, so the kernel collects the
// child before anyone can wait for it), the dial did not succeed, whatever the dialler did.
TEST_F(StandIns, AFailedWaitIsAFailedDial) {
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGCHLD, &ignore, &old), 0);
  ProcessRequest s;
  s.argv = {"/bin/true"};
  const auto r = RunProcess(s);
  const auto dial = LinuxPhonebook(Options()).RasDial(Params("dialup"));
  ::sigaction(SIGCHLD, &old, nullptr);
  EXPECT_TRUE(r.waitFailed);
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_EQ(dial, phonebook_error::kDialFailed);
}

// ---------------------------------------------------------------------------------------------
// Against the real nmcli and NetworkManager: run by tests/e2e/dialler.sh inside its namespace.

class NmLive : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("TAVREL_NM_LIVE"))
      GTEST_SKIP() << "runs inside the NetworkManager namespace of tests/e2e/dialler.sh";
  }
  static int Nmcli(Args args, std::string* out = nullptr) {
    args.insert(args.begin(), "nmcli");
    const auto r = testutil::Run(std::move(args));
    if (out) *out = r.out;
    return r.exitCode;
  }
};

// The settings' user name reaches the dial through the running profile only: the profile that
// NetworkManager keeps on disk still holds its own.
TEST_F(NmLive, ADialWithAnotherUserNameLeavesTheStoredProfileAsItWas) {
  // On a device that does not exist: the dial fails at once and leaves the link of wan0 alone.
  ASSERT_EQ(Nmcli({"connection", "add", "type", "pppoe", "ifname", "nodev0", "con-name", "c dsl",
                   "connection.autoconnect", "no", "pppoe.username", "stored-user", "pppoe.password", "pw"}),
            0);
  std::string list, user;
  Nmcli({"-t", "-f", "NAME,FILENAME", "connection", "show"}, &list);
  const auto at = list.find("c dsl:");
  ASSERT_NE(at, std::string::npos) << list;
  const std::string file = list.substr(at + 6, list.find('\n', at) - at - 6);
  EXPECT_NE(LinuxPhonebook().RasDial(Params("c dsl", "typed-user", "typed-pw")), 0u);
  Nmcli({"-g", "pppoe.username", "connection", "show", "id", "c dsl"}, &user);
  const std::string stored = ReadAll(file);
  Nmcli({"connection", "delete", "id", "c dsl"});
  EXPECT_EQ(user, "typed-user\n");
  EXPECT_NE(stored.find("username=stored-user"), std::string::npos) << file << ":\n" << stored;
}

TEST_F(NmLive, ProfilesInOrderAndTheirSecretsThroughTheRealNmcli) {
  ASSERT_EQ(Nmcli({"connection", "add", "type", "pppoe", "ifname", "wan0", "con-name", "a:DSL",
                   "connection.autoconnect", "no", "pppoe.username", "dsl@isp", "pppoe.password", "p:w\\x, y"}),
            0);
  ASSERT_EQ(Nmcli({"connection", "add", "type", "gsm", "ifname", "*", "con-name", "b mobile", "connection.autoconnect",
                   "no", "gsm.apn", "internet", "gsm.username", "web"}),
            0);
  LinuxPhonebook pb;
  Args names;
  for (const auto& e : pb.Entries()) names.push_back(e.name);
  RasDialParams p = Params("a:DSL");
  bool saved = false;
  const auto rc = pb.RasGetEntryDialParams(p, saved);
  Nmcli({"connection", "delete", "id", "a:DSL"});
  Nmcli({"connection", "delete", "id", "b mobile"});
  // The active profile first, then by name.
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "tavrel-wan");
  EXPECT_EQ(names[1], "a:DSL");
  EXPECT_EQ(names[2], "b mobile");
  ASSERT_EQ(rc, 0u);
  EXPECT_EQ(modRAS::BytesToText(p.szUserName), "dsl@isp");
  EXPECT_EQ(modRAS::BytesToText(p.szPassword), "p:w\\x, y");
  EXPECT_TRUE(saved);
}

TEST_F(NmLive, BusFactsCostNoCallsUntilNetworkManagerSignalsAChange) {
  linux_platform::NmBus bus;
  ASSERT_EQ(bus.NetworkingEnabled(), std::optional<bool>(true));
  const auto count = bus.ProfileCount();
  ASSERT_TRUE(count.has_value());
  const auto calls = bus.Calls();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(bus.NetworkingEnabled(), std::optional<bool>(true));
  EXPECT_EQ(bus.Calls(), calls);
  ASSERT_EQ(Nmcli({"connection", "add", "type", "ethernet", "ifname", "wan0", "con-name", "live-extra",
                   "connection.autoconnect", "no"}),
            0);
  std::optional<std::uint32_t> now;
  for (int i = 0; i < 600 && (now = bus.ProfileCount()) == count; ++i) std::this_thread::sleep_for(50ms);
  Nmcli({"connection", "delete", "id", "live-extra"});
  EXPECT_EQ(now, std::optional<std::uint32_t>(*count + 1));
}

}  // namespace
}  // namespace tavrel
