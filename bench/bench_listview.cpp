// A refresh of the connection list with 10,000 rows, through the behaviour and the Qt view of
// the main window (offscreen, list shown, sorted by a column): it must take well under the
// monitor's 3 s period.
#include "QtBenchMain.h"

#include "fakes/FakeEnv.h"
#include "gui/qt/MainWindow.h"
#include "netinfo/modConnections.h"

namespace {

using namespace tavrel;

void BM_RefreshListView(benchmark::State& state) {
  fakes::FakeEnv f;
  const auto rows = static_cast<std::uint32_t>(state.range(0));
  for (std::uint32_t i = 0; i < rows; ++i) {
    const std::uint32_t port = 1024 + i % 60000;
    f.tcp.rows.push_back(
        MibTcpRow{5, 0x0100007fu, ((port & 0xff) << 8) | (port >> 8), 0x0100007fu + (i << 24), 0x5000});
  }
  qt::QtWindowManager wm;
  qt::MainWindow w(f.env, wm);
  w.show();
  modConnections::SetupConnectionList(f.env, w.form().ListView1);
  w.form().imgToggle_Click();         // the list is on view
  w.form().ListView1_ColumnClick(2);  // and sorted by the local port's text
  for (auto _ : state) {
    modConnections::RefreshConnectionList(f.env, w.form().ListView1);
    QApplication::processEvents();  // the view lays out and paints the new rows
  }
  state.counters["rows"] = static_cast<double>(w.listView()->model()->rowCount());
}
BENCHMARK(BM_RefreshListView)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

TAVREL_QT_BENCHMARK_MAIN()
