// One connection probe on Linux: the kernel's default routes and link state and, where it runs,
// NetworkManager on the system bus. The monitor pays this once per tick (twice after a redial),
// and a menu link up to six times in a row. Run it inside tests/e2e/with-networkmanager.sh to
// include the D-Bus calls.
#include <benchmark/benchmark.h>

#include "platform/linux/LinuxConnectionState.h"

namespace {

void BM_Probe(benchmark::State& state) {
  tavrel::LinuxConnectionState probe;
  std::uint32_t flags = 0;
  for (auto _ : state) benchmark::DoNotOptimize(probe.InternetGetConnectedState(flags));
  const tavrel::ConnectionFacts f = probe.ReadFacts();
  state.SetLabel(f.nmAnswers ? "with NetworkManager" : "no NetworkManager on the bus");
}
BENCHMARK(BM_Probe);

void BM_ProbeKernelOnly(benchmark::State& state) {
  tavrel::ConnectionStateOptions o;
  o.useNetworkManager = false;
  tavrel::LinuxConnectionState probe(o);
  std::uint32_t flags = 0;
  for (auto _ : state) benchmark::DoNotOptimize(probe.InternetGetConnectedState(flags));
}
BENCHMARK(BM_ProbeKernelOnly);

}  // namespace
