// The main window on tenders made by the sample generator (offscreen): from program start to
// the first view, a line move at the grid's edge, a page move, a tab change, and the view of
// the unpriced items only.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>

#include <QTableView>
#include <cstdlib>
#include <filesystem>

#include "bench/BenchTenders.h"
#include "common/CodePage.h"
#include "gui/app/s_VakMain.h"
#include "gui/views/S_VakFind.h"
#include "store/Submission.h"
#include "views/WorkSearch.h"

namespace {

using namespace vak;

std::string WorkCopy(long lines) { return bench::FreshCopy(lines, 2, "views"); }

void Press(QWidget* grid, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(grid, &press);
}

void BM_StartToFirstView(benchmark::State& state) {
  SilentNotifier notifier;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir = WorkCopy(state.range(0));
    state.ResumeTiming();
    TXbaseEnv env;
    TFm_VakMain window(QString::fromStdString(dir), env, notifier, 1280);
    window.show();
    window.RunShowStep();
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.Panel());
    state.PauseTiming();
    window.close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartToFirstView)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// An open window on the item details of part 1.
struct OpenWindow {
  explicit OpenWindow(long lines) : dir(WorkCopy(lines)), window(QString::fromStdString(dir), env, notifier, 1280) {
    window.show();
    window.RunShowStep();
    window.Tabs()->setCurrentIndex(2);
    QApplication::processEvents();
  }
  ~OpenWindow() { window.close(); }
  SilentNotifier notifier;
  TXbaseEnv env;
  std::string dir;
  TFm_VakMain window;
};

void BM_LineMoveAtTheEdge(benchmark::State& state) {
  OpenWindow w(state.range(0));
  TZekGrid* grid = w.window.Panel()->XGrid();
  grid->SetRow(w.window.State().lastRow);
  for (auto _ : state) {
    Press(grid, Qt::Key_Down);
    if (!w.window.Panel()->pager().Slot(2).used || grid->Row() != w.window.State().lastRow) break;
    state.PauseTiming();
    if (w.window.Panel()->pager().PositionOf(1) + 40 > w.window.Panel()->pager().Count()) {
      Press(grid, Qt::Key_Home);
      w.window.Panel()->XGrid()->SetRow(w.window.State().lastRow);
    }
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LineMoveAtTheEdge)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_PageMove(benchmark::State& state) {
  OpenWindow w(state.range(0));
  TZekGrid* grid = w.window.Panel()->XGrid();
  bool down = true;
  for (auto _ : state) {
    grid->SetRow(down ? w.window.State().lastRow : w.window.State().firstRow);
    Press(grid, down ? Qt::Key_PageDown : Qt::Key_PageUp);
    down = !down;
  }
}
BENCHMARK(BM_PageMove)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_TabChange(benchmark::State& state) {
  OpenWindow w(state.range(0));
  int tab = 1;
  for (auto _ : state) {
    w.window.Tabs()->setCurrentIndex(tab);
    tab = tab == 1 ? 2 : 1;
  }
}
BENCHMARK(BM_TabChange)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A price accepted in the dialog, up to the page reloaded and the cursor on the next row.
void BM_PriceEntryAfterTheDialog(benchmark::State& state) {
  OpenWindow w(state.range(0));
  TVakPanel* panel = w.window.Panel();
  TZekGrid* grid = panel->XGrid();
  long double price = 1000;
  for (auto _ : state) {
    state.PauseTiming();
    grid->SetRow(10);
    state.ResumeTiming();
    panel->ApplyUnitPrice(price, true);  // lines that take no price only move the cursor
    price += 1;
  }
}
BENCHMARK(BM_PriceEntryAfterTheDialog)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Ctrl+U on the item details of one part of that many lines: the unpriced items and their
// headings chosen, the table narrowed to them and the page shown (back to every line untimed).
void BM_OnlyUnpricedOn(benchmark::State& state) {
  SilentNotifier notifier;
  TXbaseEnv env;
  TFm_VakMain window(QString::fromStdString(bench::FreshCopy(state.range(0), 1, "unpriced")), env, notifier, 1280);
  window.show();
  window.RunShowStep();  // one part: the item details at once
  TVakPanel* panel = window.Panel();
  for (auto _ : state) {
    panel->ShowOnlyUnpriced(true);
    state.PauseTiming();
    state.counters["shown"] = panel->pager().Count();
    panel->ShowOnlyUnpriced(false);
    state.counters["lines"] = panel->pager().Count();
    state.ResumeTiming();
  }
  window.close();
}
BENCHMARK(BM_OnlyUnpricedOn)->Arg(100000)->Unit(benchmark::kMillisecond);

// The work search's match scan over a whole tender (a text that matches about a third of it).
void BM_WorkSearchScan(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 1, "search");
  XbTable& table = *t.items.engine();
  table.Query("");
  const std::string text = Utf8ToCp949("공사").value();
  size_t found = 0;
  for (auto _ : state) found = FindWorks(table, text).size();
  state.counters["matches"] = static_cast<double>(found);
}
BENCHMARK(BM_WorkSearchScan)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The result dialog shown with 100,000 matches.
void BM_ResultDialogShown(benchmark::State& state) {
  bench::OpenTender t(1000000, 1, "search");
  XbTable& table = *t.items.engine();
  std::vector<uint32_t> records;
  for (uint32_t r = 1; r <= 100000; ++r) records.push_back(r);
  for (auto _ : state) {
    TFM_VakFilter dialog(table, records);
    dialog.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(dialog.List()->grab());
  }
}
BENCHMARK(BM_ResultDialogShown)->Unit(benchmark::kMillisecond)->Iterations(5);

// The submission of a 100,000-line tender against copying its two files with cp.
void BM_Floor_CopyWithCp(benchmark::State& state) {
  const std::string dir = bench::FreshCopy(state.range(0), 1, "submit");
  const std::string target = dir + "-medium";
  std::filesystem::create_directories(target);
  for (auto _ : state) {
    const int rc =
        std::system(("cp " + dir + "/VAK.DBF " + dir + "/VAK.MEM " + target + "/ && sync -f " + target).c_str());
    benchmark::DoNotOptimize(rc);
  }
}
BENCHMARK(BM_Floor_CopyWithCp)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SubmitAndVerify(benchmark::State& state) {
  const std::string dir = bench::FreshCopy(state.range(0), 1, "submit");
  const std::string target = dir + "-medium";
  std::filesystem::create_directories(target);
  SilentNotifier notifier;
  for (auto _ : state) benchmark::DoNotOptimize(SubmitTender(dir, target, notifier));
}
BENCHMARK(BM_SubmitAndVerify)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
