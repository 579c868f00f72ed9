// Adding an activity entry must cost in proportion to the entry, not to the text already there:
// the behaviour appends to its string, and the view inserts only the new piece at the end of its
// document. Run with entries already present = 1,000 / 10,000 / 100,000; the time per entry
// should stay flat.
#include "QtBenchMain.h"

#include "activity/modMain.h"
#include "fakes/FakeEnv.h"
#include "gui/qt/MainWindow.h"

namespace {

using namespace tavrel;

void Prefill(fakes::FakeEnv& f, ActivityText& text, long entries) {
  for (long i = 0; i < entries; ++i)
    modMain::AppendActivity(f.env, text, " Attempting Reconnection to: dsl-provider");
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

// The whole path: behaviour plus the Qt activity view of the main window (offscreen).
void BM_AppendActivity_QtView(benchmark::State& state) {
  fakes::FakeEnv f;
  qt::QtWindowManager wm;
  qt::MainWindow w(f.env, wm);
  ActivityText& text = w.form().txtConnection;
  Prefill(f, text, state.range(0));
  for (auto _ : state) {
    modMain::AppendActivity(f.env, text, " Connection lost");
  }
  state.counters["blocks"] = w.activityView()->document()->blockCount();
}
BENCHMARK(BM_AppendActivity_QtView)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

TAVREL_QT_BENCHMARK_MAIN()
