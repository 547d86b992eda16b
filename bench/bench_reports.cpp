// The tender statement of one construction part (a single-construction tender from the sample
// generator): building its report table against the floor of reading the part's records
// once and writing a table of as many rows; writing its whole PDF against a bare QPainter on
// QPdfWriter drawing as many pages of as many lines and cells; drawing its last page.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPdfWriter>
#include <QTimer>
#include <QToolButton>
#include <cstring>
#include <map>

#include "bench/BenchTenders.h"
#include "common/Numbers.h"
#include "gui/common/Fonts.h"
#include "gui/reports/PagePainter.h"
#include "gui/reports/ReportPdf.h"
#include "gui/reports/S_VakPreview.h"
#include "gui/reports/s_VakRpt.h"
#include "reports/ReportTable.h"

namespace vak {
namespace {

using bench::OpenTender;

// The peak resident memory since the last reset, in megabytes (Linux: VmHWM, reset through
// /proc/self/clear_refs).
void ResetPeakMemory() {
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}
double PeakMegabytes() {
  double kb = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atof(line + 6);
    }
    std::fclose(f);
  }
  return kb / 1024.0;
}

void BM_Floor_ReadPartWriteTable(benchmark::State& state) {
  OpenTender t(state.range(0), 1, "reports");
  XbTable& table = *t.items.engine();
  const std::vector<DbfField>& fields = ReportTableFields(ReportKind::TenderStatement);
  const std::string path = t.dir + "/FLOOR.DBF";
  for (auto _ : state) {
    DbfWriter out(path, fields);
    std::string record(static_cast<size_t>(fields.back().offset + fields.back().length), ' ');
    table.Query("F_PART=\"U\"");
    for (table.GoTop(); !table.Eof(); table.Skip(1)) {
      std::memcpy(record.data() + 1, table.Current() + 9, 80);  // the name and the specification
      out.Add(record.data());
    }
    benchmark::DoNotOptimize(out.Commit());
  }
}
BENCHMARK(BM_Floor_ReadPartWriteTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BuildStatementTable(benchmark::State& state) {
  OpenTender t(state.range(0), 1, "reports");
  SilentNotifier notifier;
  ReportTableInfo info;
  for (auto _ : state) {
    BuildReportTable(t.items, {t.dir, ReportKind::TenderStatement, 1, ProjectType::Single, "1"}, notifier, info);
  }
  state.counters["pages"] = info.lastPage;
}
BENCHMARK(BM_BuildStatementTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A document of the tender statement, its table built once.
ReportDocument StatementDocument(long lines, std::string& dir) {
  OpenTender t(lines, 1, "reports-pdf");
  SilentNotifier notifier;
  ReportTableInfo info;
  BuildReportTable(t.items, {t.dir, ReportKind::TenderStatement, 1, ProjectType::Single, "1"}, notifier, info);
  dir = t.dir;
  DbfStatus status;
  ReportSetup setup;
  setup.partLabel = QStringLiteral("건축공사");
  setup.company = QStringLiteral("한빛건설(주)");
  return ReportDocument(setup, ReportRows::Open(info.path, status));
}

void BM_Floor_BarePdf(benchmark::State& state) {
  std::string dir;
  const ReportDocument doc = StatementDocument(state.range(0), dir);
  const int pages = doc.lastPage() - doc.firstPage() + 1;
  const QString cell = QStringLiteral("시멘트몰탈 바름");
  ResetPeakMemory();
  for (auto _ : state) {
    QPdfWriter writer(QString::fromStdString(dir + "/floor.pdf"));
    writer.setResolution(254);
    QPainter p(&writer);
    p.setFont(QFont(QStringLiteral("굴림체")));
    for (int page = 0; page < pages; ++page) {
      if (page) writer.newPage();
      p.drawRect(80, 160, 2800, 1840);
      for (int row = 0; row < 19; ++row) {
        p.drawLine(80, 160 + row * 97, 2880, 160 + row * 97);
        for (int c = 0; c < 7; ++c) p.drawText(QPointF(90 + c * 400, 240 + row * 97), cell);
      }
    }
  }
  state.counters["pages"] = pages;
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_Floor_BarePdf)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_WriteStatementPdf(benchmark::State& state) {
  std::string dir;
  const ReportDocument doc = StatementDocument(state.range(0), dir);
  int pages = 0;
  ResetPeakMemory();
  for (auto _ : state) {
    std::string error;
    WriteReportPdf(doc, dir + "/statement.pdf", doc.firstPage(), doc.lastPage(), &error, &pages);
  }
  state.counters["pages"] = pages;
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_WriteStatementPdf)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DrawLastPage(benchmark::State& state) {
  std::string dir;
  const ReportDocument doc = StatementDocument(state.range(0), dir);
  QImage image(1169, 827, QImage::Format_RGB32);  // A4 at 100 dots per inch
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(image.width() / 2970.0, image.height() / 2100.0);
    DrawReportPage(p, doc, doc.lastPage());
  }
}
BENCHMARK(BM_DrawLastPage)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Ctrl+P confirmed: the report table built, the preview made and its first page drawn.
void BM_ConfirmToFirstPage(benchmark::State& state) {
  OpenTender t(state.range(0), 1, "reports-dialog");
  SilentNotifier notifier;
  Tfm_VakRpt dialog(t.items, {t.dir, ProjectType::Single, "1", QStringLiteral("건축공사")}, notifier);
  dialog.findChild<QComboBox*>(QStringLiteral("c_cbx_RptSelect"))->setCurrentIndex(1);  // 입찰 내역서
  dialog.SetPreviewHook([](TFM_VakPreview& preview) {
    preview.findChild<QWidget*>(QStringLiteral("C_Pbx_Shower"))->grab();  // the first page, drawn
    QTimer::singleShot(0, &preview, [&preview] { preview.reject(); });
  });
  for (auto _ : state) dialog.Confirm();
}
BENCHMARK(BM_ConfirmToFirstPage)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A page turn in the preview: the page field set, the page drawn.
void BM_PreviewPageTurn(benchmark::State& state) {
  std::string dir;
  const ReportDocument doc = StatementDocument(100000, dir);
  SilentNotifier notifier;
  TFM_VakPreview preview(doc, notifier);
  preview.Setup(1, doc.lastPage(), 1);
  QWidget* page = preview.findChild<QWidget*>(QStringLiteral("C_Pbx_Shower"));
  const bool last = state.range(0) == 1;
  for (auto _ : state) {
    preview.ShowPage(last ? doc.lastPage() : 1);
    page->grab();
    preview.ShowPage(last ? doc.lastPage() - 1 : 2);
    page->grab();
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_PreviewPageTurn)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vak

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vak::InstallKoreanFonts();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
