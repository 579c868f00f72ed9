// Reading and writing a settings file must cost in proportion to the file: a key behind a line
// of 1, 10 and 100 MB (a file another program filled) is found, missed and written; the time per
// MB should stay flat.
#include <benchmark/benchmark.h>

#include <string>

#include "settings/IniText.h"

namespace {

using namespace tavrel;

std::string HugeFile(std::size_t line) {
  const std::string huge(line, 'x');
  return "[Other]\r\nnoise=" + huge + "\r\n" + huge + "\r\n[Settings]\r\nConID=" + huge + "\r\n";
}

void BM_IniReadWrite_HugeLines(benchmark::State& state) {
  const std::string text = HugeFile(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ini::ReadValue(text, "Settings", "ConID", "", 155));
    benchmark::DoNotOptimize(ini::ReadValue(text, "Settings", "Missing", "d", 155));
    benchmark::DoNotOptimize(ini::WriteValue(text, "Settings", "UName", "bob"));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 3 * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_IniReadWrite_HugeLines)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
