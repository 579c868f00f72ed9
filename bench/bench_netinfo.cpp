// The connection table at scale and one whole online tick, on real loopback sockets made here.
//
//   ReadAndFormat/10000   the kernel's table read over sock_diag, sorted and formatted into the
//                         connection list (RefreshConnectionList), 10,000 sockets
//   SsTn/10000            `ss -tn` reading the same sockets, output to /dev/null
//   OnlineTick/1000       RunMonitorCycle on an online machine: the probe, five setting reads,
//                         the list refresh and the log write, 1,000 sockets
//
// Compare per_socket of the first two (wall time per socket), and the CPU column of the tick.
// The sockets live in private network namespaces (one per size) when the process may make them,
// otherwise on 127.0.0.1 in the machine's own namespace.
#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "activity/ActivityText.h"
#include "activity/ConnectionList.h"
#include "activity/modMain.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeMonitor.h"
#include "fakes/FakeNetInfo.h"
#include "fakes/FakeServices.h"
#include "monitor/MonitorCycle.h"
#include "monitor/modConnection.h"
#include "netinfo/modConnections.h"
#include "platform/linux/LinuxAddressTable.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxConnectionState.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSockets.h"
#include "platform/linux/LinuxTcpTable.h"
#include "settings/ProfileFile.h"
#include "settings/modSettings.h"

extern char** environ;

namespace tavrel {
namespace {

void RaiseFileLimit(rlim_t needed) {
  rlimit rl{};
  ::getrlimit(RLIMIT_NOFILE, &rl);
  if (rl.rlim_cur >= needed) return;
  if (rl.rlim_max < needed) rl.rlim_max = needed;  // allowed to root
  rl.rlim_cur = needed;
  if (::setrlimit(RLIMIT_NOFILE, &rl) != 0) {
    ::getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rl.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &rl);
  }
}

// Runs a program and waits for it; cpuSeconds receives the CPU time the child used.
int Run(const std::vector<const char*>& argv, bool quiet, double* cpuSeconds = nullptr) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (quiet) {
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  }
  std::vector<char*> args;
  for (const char* a : argv) args.push_back(const_cast<char*>(a));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return -1;
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  if (cpuSeconds) {
    *cpuSeconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                  static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Loopback connections, both ends open, plus their listener, in a namespace of their own when
// one can be made.
class SocketLab {
 public:
  explicit SocketLab(int sockets) {
    home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (::unshare(CLONE_NEWNET) == 0) {
      ns_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
      LoopbackUp();
      // A default route makes the probe see an online machine (LAN); it leads nowhere.
      Run({"ip", "route", "add", "default", "dev", "lo"}, true);
    }
    RaiseFileLimit(static_cast<rlim_t>(sockets) + 1000);
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 4096) != 0)
      throw std::runtime_error(std::string("listener: ") + std::strerror(errno));
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    for (int i = 0; i < sockets / 2; ++i) {
      const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (c < 0 || ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
      const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (s < 0) throw std::runtime_error(std::string("accept: ") + std::strerror(errno));
      ends_.push_back(c);
      ends_.push_back(s);
    }
    Leave();
  }
  ~SocketLab() {
    Enter();
    // Reset rather than close, so that no time-wait sockets outlive the lab.
    const linger reset{1, 0};
    for (int fd : ends_) {
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      ::close(fd);
    }
    ::close(listener_);
    Leave();
    if (ns_ >= 0) ::close(ns_);
    if (home_ >= 0) ::close(home_);
  }
  void Enter() const {
    if (ns_ >= 0) ::setns(ns_, CLONE_NEWNET);
  }
  void Leave() const {
    if (ns_ >= 0) ::setns(home_, CLONE_NEWNET);
  }
  bool Private() const { return ns_ >= 0; }
  std::size_t Sockets() const { return ends_.size(); }

 private:
  static void LoopbackUp() {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "lo");
    if (::ioctl(s, SIOCGIFFLAGS, &ifr) == 0) {
      ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
      ::ioctl(s, SIOCSIFFLAGS, &ifr);
    }
    ::close(s);
  }
  int home_ = -1;
  int ns_ = -1;
  int listener_ = -1;
  std::vector<int> ends_;
};

// One lab at a time: the kernel walks one connection hash table for every namespace, so the
// sockets of a lab kept elsewhere would still weigh on the next benchmark.
SocketLab& Lab(int sockets) {
  static std::unique_ptr<SocketLab> lab;
  static int size = -1;
  if (size != sockets) {
    lab.reset();
    lab = std::make_unique<SocketLab>(sockets);
    size = sockets;
  }
  return *lab;
}

// The program's environment with the real Linux table, files, clock and probe; the window
// services are stand-ins that do nothing.
struct BenchEnv {
  BenchEnv() {
    char tmpl[] = "/tmp/tavrel-bench-XXXXXX";
    folder = ::mkdtemp(tmpl);
    AppInfo app;
    app.folder = folder;
    app.exeName = "tavrel";
    env = std::make_unique<Env>(Env{app, desktop, clock, fs, profile, registry, connection, phonebook, tcp, addresses,
                                    sockets, downloader, wm, style});
    std::filesystem::create_directories(folder + "/logs/traffic");
    const std::string& title = env->app.title;
    modSettings::SaveSetting(*env, title, "Settings", "AutoRecon", "1");
    modSettings::SaveSetting(*env, title, "Settings", "Retry", "5");
    modSettings::SaveSetting(*env, title, "Settings", "ConID", "Provider");
    modSettings::SaveSetting(*env, title, "Settings", "UName", "user");
    modSettings::SaveSetting(*env, title, "Settings", "PWord", "secret");
  }
  ~BenchEnv() { std::filesystem::remove_all(folder); }

  std::string folder;
  fakes::EventLog log;
  fakes::FakeDesktop desktop{log};
  LinuxClock clock;
  LinuxFileSystem fs;
  ProfileFile profile{fs};
  fakes::FakeRegistry registry{log};
  LinuxConnectionState connection;
  fakes::FakePhonebook phonebook{log};
  LinuxTcpTable tcp;
  LinuxAddressTable addresses;
  LinuxSockets sockets;
  fakes::FakeFileSystem scratch{log};
  fakes::FakeDownloader downloader{log, scratch};
  fakes::FakeWindowManager wm{log};
  fakes::FakeWindowStyle style{log};
  fakes::FakeTimer timer{log};
  std::unique_ptr<Env> env;
};

double ThreadCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Wall and CPU time per socket and pass, in microseconds.
void PerSocket(benchmark::State& state, std::size_t sockets, double wall, double cpu) {
  const double passes = static_cast<double>(state.iterations());
  const double n = static_cast<double>(sockets) * passes;
  state.counters["sockets"] = static_cast<double>(sockets);
  state.counters["wall_us_per_socket"] = wall * 1e6 / n;
  state.counters["cpu_us_per_socket"] = cpu * 1e6 / n;
}

void ReadAndFormat(benchmark::State& state) {
  SocketLab& lab = Lab(static_cast<int>(state.range(0)));
  lab.Enter();
  BenchEnv b;
  ConnectionList list;
  modConnections::SetupConnectionList(*b.env, list);
  const double wall0 = WallSeconds(), cpu0 = ThreadCpuSeconds();
  for (auto _ : state) {
    modConnections::RefreshConnectionList(*b.env, list);
    benchmark::DoNotOptimize(list.Item(list.Count() - 1));
  }
  PerSocket(state, list.Count(), WallSeconds() - wall0, ThreadCpuSeconds() - cpu0);
  if (b.tcp.LastSource() != LinuxTcpTable::Source::kNetlink)
    state.SetLabel("via /proc/net/tcp");
  else
    state.SetLabel(lab.Private() ? "private namespace" : "host namespace");
  lab.Leave();
}
BENCHMARK(ReadAndFormat)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);

// ss's own CPU time is taken from the child; the CPU column shows this process's share only.
void SsTn(benchmark::State& state) {
  SocketLab& lab = Lab(static_cast<int>(state.range(0)));
  lab.Enter();
  double childCpu = 0;
  const double wall0 = WallSeconds();
  for (auto _ : state) {
    double cpu = 0;
    if (Run({"ss", "-tn"}, true, &cpu) != 0) {
      state.SkipWithError("ss -tn did not run");
      break;
    }
    childCpu += cpu;
  }
  PerSocket(state, lab.Sockets(), WallSeconds() - wall0, childCpu);
  lab.Leave();
}
BENCHMARK(SsTn)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void OnlineTick(benchmark::State& state) {
  SocketLab& lab = Lab(static_cast<int>(state.range(0)));
  lab.Enter();
  BenchEnv b;
  ActivityText view;
  view.Replace(
      "Tavrel 1.0.1\r\n01-01-27 - 00:00:00 Monitor started\r\n"
      "01-01-27 - 00:00:00 Resolving 127.0.0.1\r\n01-01-27 - 00:00:00 HELLO vm\r\n"
      "01-01-27 - 00:00:00 Connected to: vm\r\n01-01-27 - 00:00:00 Detecting additional IP's");
  ConnectionList list;
  modConnections::SetupConnectionList(*b.env, list);
  std::int16_t failures = 0;
  modMain::Logs logs;
  bool inTick = false;
  MonitorParts parts{view, list, b.timer, 1, failures, logs, inTick};
  for (auto _ : state) RunMonitorCycle(*b.env, parts);
  if (b.phonebook.dials.size() != 0 || list.Count() < lab.Sockets())
    state.SkipWithError("the tick did not find the machine online");
  state.counters["rows"] = static_cast<double>(list.Count());
  lab.Leave();
}
BENCHMARK(OnlineTick)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The tick's parts on their own, to see where its time goes.
void TickPart(benchmark::State& state, int part) {
  SocketLab& lab = Lab(1000);
  lab.Enter();
  BenchEnv b;
  ActivityText view;
  view.Replace(std::string(600, 'x'));
  ConnectionList list;
  modConnections::SetupConnectionList(*b.env, list);
  modMain::Logs logs;
  const std::string& app = b.env->app.title;
  for (auto _ : state) {
    switch (part) {
      case 0: benchmark::DoNotOptimize(modConnection::ConnectionStateText(b.env->connection)); break;
      case 1:
        for (const char* key : {"AutoRecon", "Retry", "ConID", "UName", "PWord"})
          benchmark::DoNotOptimize(modSettings::GetSetting(*b.env, app, "Settings", key, ""));
        break;
      case 2: modConnections::RefreshConnectionList(*b.env, list); break;
      case 3: logs.Write(*b.env, view, list); break;
      case 4: {
        std::vector<MibTcpRow> rows;
        linuxtcp::ReadNetlink(rows, std::chrono::seconds(2));
        benchmark::DoNotOptimize(rows.data());
        break;
      }
    }
  }
  lab.Leave();
}
BENCHMARK_CAPTURE(TickPart, probe, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickPart, five_settings, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickPart, refresh_1000, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickPart, write_logs_1000, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickPart, kernel_read_1000, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavrel
