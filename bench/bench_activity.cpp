// Adding an activity entry must cost in proportion to the entry, not to the text already there:
// the behaviour appends to its string, and the view indexes only the new line. Run with entries
// already present = 1,000 / 10,000 / 100,000; the time per entry should stay flat.
//
// ViewMemory: what the activity view of the main window holds beside the behaviour's text after
// 100,000 entries (heap in use, less the text's own buffer), against the size of the text.
#include <malloc.h>

#include "QtBenchMain.h"

#include "activity/modMain.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/ActivityView.h"

namespace {

using namespace tavrel;

void Prefill(fakes::FakeEnv& f, ActivityText& text, long entries) {
  for (long i = 0; i < entries; ++i) modMain::AppendActivity(f.env, text, " Attempting Reconnection to: dsl-provider");
}

// The behaviour alone: the view's text string.
void BM_AppendActivity_Text(benchmark::State& state) {
  fakes::FakeEnv f;
  ActivityText text;
  Prefill(f, text, state.range(0));
  for (auto _ : state) {
    modMain::AppendActivity(f.env, text, " Connection lost");
    benchmark::DoNotOptimize(text.Text().data());
  }
  state.counters["text_MB"] = static_cast<double>(text.Text().size()) / 1e6;
}
BENCHMARK(BM_AppendActivity_Text)->Arg(1000)->Arg(10000)->Arg(100000);

// The whole path: behaviour plus the Qt activity view (offscreen, shown, painted).
void BM_AppendActivity_QtView(benchmark::State& state) {
  fakes::FakeEnv f;
  ActivityText text;
  qt::ActivityView view;
  view.resize(417, 185);
  view.show();
  text.SetSink(&view);
  Prefill(f, text, state.range(0));
  for (auto _ : state) {
    modMain::AppendActivity(f.env, text, " Connection lost");
    QApplication::processEvents();
  }
  state.counters["lines"] = static_cast<double>(view.LineCount());
  text.SetSink(nullptr);
}
BENCHMARK(BM_AppendActivity_QtView)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

std::size_t HeapInUse() {
  const struct mallinfo2 m = ::mallinfo2();
  return m.uordblks + m.hblkhd;
}

void ViewMemory(benchmark::State& state) {
  for (auto _ : state) {
    fakes::FakeEnv f;
    const std::size_t before = HeapInUse();
    {
      ActivityText text;
      qt::ActivityView view;
      view.resize(417, 185);
      view.show();
      text.SetSink(&view);
      text.Replace("Tavrel 1.0.1");
      for (long i = 0; i < 100000; ++i) {
        f.clock.Advance(3);
        modMain::AppendActivity(f.env, text, i % 4 ? " Connection lost" : " Attempting Reconnection to: dsl-provider");
      }
      QApplication::processEvents();
      const std::size_t used = HeapInUse() - before;
      state.counters["text_MB"] = static_cast<double>(text.Text().size()) / 1e6;
      state.counters["view_MB"] = static_cast<double>(used - text.Text().capacity()) / 1e6;
      state.counters["lines"] = static_cast<double>(view.LineCount());
      text.SetSink(nullptr);
    }
  }
}
BENCHMARK(ViewMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

TAVREL_QT_BENCHMARK_MAIN()
