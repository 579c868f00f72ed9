// The Linux phonebook and its helper runner: NetworkManager's nmcli and pppd are replaced by
// stand-in programs that answer like them and record their arguments and input (pppd cannot run
// without kernel PPP); the real NetworkManager is used by the NmLive test, which the end-to-end
// script runs inside its NetworkManager namespace.
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

  // Like pppd updetach: the program ends while a child of its own keeps the output open.
  s.argv = {"/bin/sh", "-c", "echo up; (sleep 60) & exit 0"};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunProcess(s).out, "up\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

// A helper's whole group ends at its time bound, and at once when the program is stopping (a
// signal came); the grandchild ignores SIGTERM, so only the group's SIGKILL ends it.
TEST(ProcessRunner, TheBoundOrAStopRequestEndsTheWholeGroup) {
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stop request" : "time bound");
    testutil::Scratch d;
    ProcessRequest s;
    s.argv = {"/bin/sh", "-c", "sh -c \"trap '' TERM; exec sleep 120\" & echo $! > " + (d / "grandchild") + "; wait"};
    s.timeout = stop ? 300s : 1s;
    std::thread stopper([stop] {
      std::this_thread::sleep_for(300ms);
      if (stop) linux_platform::RequestStop();
    });
    const auto r = RunProcess(s);
    stopper.join();
    EXPECT_EQ(r.timedOut, !stop);
    EXPECT_EQ(r.cancelled, stop);
    const pid_t grandchild = std::atoi(ReadAll(d / "grandchild").c_str());
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(testutil::WaitFor([grandchild] { return !testutil::Running(grandchild); }));
  }
  // Nothing new starts while the program is stopping.
  ProcessRequest s;
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
    Profile("Office VPN", {"vpn.user-name=", "vpn.data=gateway = vpn.example, username = kim\\, k, port = 1194",
                           "vpn.secrets=password = v:p\\,n"});
    Profile("DSL: home", {"pppoe.username=dsl-user@isp", "pppoe.password=p:w\\d", "ipv4.dhcp-timeout=0"});
    Profile("Mobile", {"gsm.username=web", "gsm.password=", "ipv4.dhcp-timeout=100"});
    Profile("Wired", {"ipv4.dhcp-timeout=0"});
    Profile("Campus", {"802-1x.eap=peap", "802-1x.identity=student"});
    Profile("Home Wi-Fi", {"802-11-wireless-security.key-mgmt=wpa-psk"});
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
  // A profile's fields, each "field=value".
  void Profile(const std::string& name, const Args& fields) {
    for (const auto& f : fields)
      Write("nm/profiles/" + name + "/" + f.substr(0, f.find('=')), f.substr(f.find('=') + 1) + "\n");
  }
  PhonebookOptions Options() const {
    return {.nmcli = dir / "nmcli", .pppd = dir / "pppd", .pppRoot = dir / "ppp", .listTimeout = 5s};
  }
  // The argument lists of the recorded calls of one stand-in.
  std::vector<Args> Calls(const std::string& who) const {
    std::vector<Args> calls;
    Args call;
    std::istringstream in(ReadAll(dir / (who + ".calls")));
    for (std::string l; std::getline(in, l);) {
      if (l == "--")
        calls.push_back(std::exchange(call, {}));
      else
        call.push_back(l);
    }
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
  std::vector<RasEntryName> records(kMaxPhonebookEntries);
  std::uint32_t count = 0;
  EXPECT_EQ(pb.RasEnumEntries(records, count), 0u);
  ASSERT_EQ(count, 10u);
  EXPECT_EQ(modRAS::BytesToText(records[1].szEntryName), "DSL: home");
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
}

// A profile is dialled with the settings' account: the user name on the running profile only
// (never the one stored on disk), the password through stdin for every secret the profile may
// ask for, none when the profile has no secret; a longer DHCP wait lengthens the bound. The
// password is in no argument: the modify's and the dial's are compared whole.
TEST_F(StandIns, DialsProfilesWithTheSettingsAccount) {
  LinuxPhonebook pb(Options());
  const struct {
    const char* entry;
    const char* user;
    const char* password;
    const char* userField;  // set on the running profile; "": the user name is left alone
    const char* secrets;    // the passwd-file; nullptr: none
    const char* wait = "90";
  } cases[] = {
      {"DSL: home", "alice", "typed:pw", "pppoe.username", "pppoe.password:typed:pw\n"},
      {"DSL: home", "dsl-user@isp", "pw", "", "pppoe.password:pw\n"},  // the profile's own
      {"DSL: home", "", "pw", "", "pppoe.password:pw\n"},
      {"Office VPN", "kim", "vpw", "vpn.user-name", "vpn.secrets.password:vpw\n"},
      {"Campus", "freshman", "8021x", "802-1x.identity", "802-1x.password:8021x\n"},
      {"Home Wi-Fi", "nobody", "wifi key", "",  // no 802.1X: no user name to set
       "802-11-wireless-security.psk:wifi key\n802-11-wireless-security.wep-key0:wifi key\n"},
      {"Wired", "u", "unused", "", nullptr},
      {"Mobile", "", "", "", nullptr, "130"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.entry) + " as " + c.user);
    std::filesystem::remove(dir / "nmcli.calls");
    std::filesystem::remove(dir / "nmcli.stdin");
    EXPECT_EQ(pb.RasDial(Params(c.entry, c.user, c.password)), 0u);
    const auto calls = Calls("nmcli");  // the listing, the profile's fields, [the user name,] the dial
    Args up{"--wait", c.wait, "connection", "up", "id", c.entry};
    if (c.secrets) up.insert(up.end(), {"passwd-file", "/dev/stdin"});
    ASSERT_EQ(calls.size(), *c.userField ? 4u : 3u);
    EXPECT_EQ(calls.back(), up);
    if (*c.userField) {
      EXPECT_EQ(calls[2], (Args{"connection", "modify", "--temporary", "id", c.entry, c.userField, c.user}));
    }
    EXPECT_EQ(testutil::Slurp(dir / "nmcli.stdin"), c.secrets ? std::optional<std::string>(c.secrets) : std::nullopt);
  }

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

  // A hanging dial is killed at its bound (pppd would sleep for two minutes).
  Write("pppd.sleep", "120\n");
  PhonebookOptions o = Options();
  o.dialTimeout = 1s;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LinuxPhonebook(o).RasDial(Params("dialup")), phonebook_error::kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);

  // When the dialler's end cannot be observed (SIGCHLD ignored, as a parent may leave it: the
  // kernel collects the child before anyone can wait for it), the dial did not succeed.
  Write("pppd.sleep", "0\n");
  Write("pppd.rc", "0\n");
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGCHLD, &ignore, &old), 0);
  const auto dial = pb.RasDial(Params("dialup"));
  ::sigaction(SIGCHLD, &old, nullptr);
  EXPECT_EQ(dial, phonebook_error::kDialFailed);
}

// ---------------------------------------------------------------------------------------------
// Against the real nmcli and NetworkManager: run by tests/e2e/dialler.sh inside its namespace.

// The bus facts the monitor asks on every tick are kept, and change only when NetworkManager
// signals it.
TEST(NmLive, BusFactsCostNoCallsUntilNetworkManagerSignalsAChange) {
  if (!std::getenv("TAVREL_NM_LIVE"))
    GTEST_SKIP() << "runs inside the NetworkManager namespace of tests/e2e/dialler.sh";
  linux_platform::NmBus bus;
  ASSERT_EQ(bus.NetworkingEnabled(), std::optional<bool>(true));
  const auto count = bus.ProfileCount();
  ASSERT_TRUE(count.has_value());
  const auto calls = bus.Calls();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(bus.NetworkingEnabled(), std::optional<bool>(true));
  EXPECT_EQ(bus.Calls(), calls);
  ASSERT_EQ(testutil::Run({"nmcli", "connection", "add", "type", "ethernet", "ifname", "wan0", "con-name", "live-extra",
                           "connection.autoconnect", "no"})
                .exitCode,
            0);
  std::optional<std::uint32_t> now;
  for (int i = 0; i < 600 && (now = bus.ProfileCount()) == count; ++i) std::this_thread::sleep_for(50ms);
  testutil::Run({"nmcli", "connection", "delete", "id", "live-extra"});
  EXPECT_EQ(now, std::optional<std::uint32_t>(*count + 1));
}

}  // namespace
}  // namespace tavrel
