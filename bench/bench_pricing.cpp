// The whole-statement calculation of one construction part on tenders made by the sample
// generator (single construction, so the part holds every line), and in the same run the
// floor: reading and writing that part's records once through the engine.
#include <benchmark/benchmark.h>

#include "bench/BenchTenders.h"
#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Text.h"
#include "common/UserNotifier.h"
#include "pricing/AmountAdjustment.h"
#ifdef VAK_HAS_SHEETS
#include "sheets/PriceImport.h"
#include "sheets/StatementWorkbook.h"
#include "sheets/XlsxExport.h"
#endif
#include "pricing/Calculation.h"
#include "pricing/IdenticalItems.h"
#include "pricing/PriceCarry.h"
#include "pricing/PriceEntry.h"
#include "pricing/PriceHistory.h"
#include "pricing/TenderReview.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"

#include <filesystem>
#include <map>

namespace {

using namespace vak;

struct OpenTender : bench::OpenTender {
  explicit OpenTender(long lines) : bench::OpenTender(lines, 1, "calc") {}
};

void BM_Floor_ReadAndWritePartOnce(benchmark::State& state) {
  OpenTender t(state.range(0));
  XbTable& table = *t.items.engine();
  table.Query(PartLinesFilter(ProjectType::Single, ""));
  std::string record;
  for (auto _ : state) {
    for (table.GoTop(); !table.Eof(); table.Skip(1)) {
      record.assign(table.Current(), static_cast<size_t>(kItemRecordLength));
      table.PutRecord(record.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * table.Count());
}
BENCHMARK(BM_Floor_ReadAndWritePartOnce)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CalculatePart(benchmark::State& state) {
  OpenTender t(state.range(0));
  for (auto _ : state) {
    const CalculationResult r = CalculateStatement(t.items, {t.dir, ProjectType::Single, ""}, t.notifier);
    benchmark::DoNotOptimize(r.tenderAmount);
  }
}
BENCHMARK(BM_CalculatePart)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- F3 as one step

// F3 of one part of a compound tender: its records written to a copy of the table, which
// replaces the table together with VAK.MEM under a commit record.
void BM_CalculateOnePartOfCompound(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "calc-one");
  for (auto _ : state) {
    const CalculationResult r = CalculateStatement(t.items, {t.dir, ProjectType::Compound, "2"}, t.notifier);
    benchmark::DoNotOptimize(r.tenderAmount);
  }
}
BENCHMARK(BM_CalculateOnePartOfCompound)->Arg(100000)->Unit(benchmark::kMillisecond);

// The yardstick for it: the table file read, written beside itself and synced once.
void BM_Floor_TableReadWriteSyncOnce(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "calc-one");
  const std::string path = t.items.engine()->file().path();
  for (auto _ : state) {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    FileBeside copy(path + "-bench");
    copy.Write(*bytes);
    benchmark::DoNotOptimize(copy.Sync());
  }
}
BENCHMARK(BM_Floor_TableReadWriteSyncOnce)->Arg(100000)->Unit(benchmark::kMillisecond);

// The commit record's own cost: two staged files renamed over theirs without (0) and with (1)
// the record that makes the two renames one step.
void BM_RenamePair(benchmark::State& state) {
  bench::OpenTender t(1000, 2, "rename-pair");
  const std::string a = JoinPath(t.dir, "pair-a"), b = JoinPath(t.dir, "pair-b");
  for (auto _ : state) {
    state.PauseTiming();
    FileBeside stageA(a), stageB(b);
    stageA.Write("a");
    stageB.Write("b");
    const std::string stagedA = stageA.Stage(), stagedB = stageB.Stage();
    state.ResumeTiming();
    if (state.range(0) == 0) {
      RenameFile(stagedA, a);
      RenameFile(stagedB, b);
      SyncParentDirectory(a);
    } else {
      FileSetCommit commit(t.dir);
      commit.Add(stagedA, a);
      commit.Add(stagedB, b);
      benchmark::DoNotOptimize(commit.Commit());
    }
  }
}
BENCHMARK(BM_RenamePair)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- completeness, check, carry

// The panel's counts after one price entry: the line's standing before and after, the counts
// brought up to date and the panel's text made (the entry's own write is not counted).
void BM_CompletenessAfterEntry(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "status");
  TenderStatus status;
  status.Reset(ReviewTender(t.items, ProjectType::Compound, LoadProjectHeader(t.dir).values));
  t.items.Xbase().Query("");
  for (t.items.Xbase().GoTop(); !t.items.Eof() && !LineStateOf(t.items).takesPrice; t.items.Skip(1)) {
  }
  const std::string code = TrimmedText(t.items.FieldAsString("F_PART"));
  for (auto _ : state) {
    const LineState before = LineStateOf(t.items);
    const LineState after = LineStateOf(t.items);
    status.NoteEntry(code, before, after, true);
    std::string text = StatusText(status, code, true);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_CompletenessAfterEntry)->Arg(100000)->Unit(benchmark::kMicrosecond);

// What `vaktool check` does after its start: the table opened to be read, every part reviewed.
void BM_CheckWholeTender(benchmark::State& state) {
  const std::string dir = bench::FreshCopy(state.range(0), 2, "check");
  const HeaderValues header = LoadProjectHeader(dir).values;
  SilentNotifier notifier;
  TXbaseEnv env;
  for (auto _ : state) {
    TZekTable items(env, notifier);
    OpenTenderForReview(dir, items, notifier);
    const TenderReview review = ReviewTender(items, ProjectType::Compound, header);
    benchmark::DoNotOptimize(review.computedTender);
  }
}
BENCHMARK(BM_CheckWholeTender)->Arg(100000)->Unit(benchmark::kMillisecond);

// The yardstick of the check: F3 on every construction part of the same tender.
void BM_CalculateAllParts(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "calc-all");
  const std::vector<std::string> parts = ConstructionParts(t.items, ProjectType::Compound);
  for (auto _ : state) {
    for (const std::string& part : parts) {
      const CalculationResult r = CalculateStatement(t.items, {t.dir, ProjectType::Compound, part}, t.notifier);
      benchmark::DoNotOptimize(r.tenderAmount);
    }
  }
}
BENCHMARK(BM_CalculateAllParts)->Arg(100000)->Unit(benchmark::kMillisecond);

// A priced tender to carry from: every item priced (split on odd sequence numbers) and calculated.
const std::string& PricedSource(long lines) {
  static std::map<long, std::string> dirs;
  std::string& dir = dirs[lines];
  if (!dir.empty()) return dir;
  bench::OpenTender t(lines, 2, "carry-source");
  t.items.Xbase().Query("");
  for (t.items.Xbase().GoTop(); !t.items.Eof(); t.items.Skip(1)) {
    if (!LineStateOf(t.items).takesPrice) continue;
    const long seq = static_cast<long>(t.items.FieldAsFloat("F_SEQ"));
    if (seq % 2 == 0) {
      WriteSinglePrice(t.items, 1000 + seq % 5000, t.notifier);
    } else {
      WriteSplitPrices(t.items, 100 + seq % 300, 200, 3 * (seq % 50), t.notifier);
    }
  }
  for (const std::string& part : ConstructionParts(t.items, ProjectType::Compound))
    CalculateStatement(t.items, {t.dir, ProjectType::Compound, part}, t.notifier);
  t.items.Close();
  dir = t.dir;
  return dir;
}

// vaktool carry's work: an unpriced copy of the same bill takes every price, then all parts
// are calculated and the files replaced.
// The index of identical items, built once when the window first looks for a line's twins.
void BM_IdenticalItemsIndex(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "identical");
  for (auto _ : state) benchmark::DoNotOptimize(IdenticalItems(t.items.engine()->file()));
}
BENCHMARK(BM_IdenticalItemsIndex)->Arg(100000)->Unit(benchmark::kMillisecond);

// Every later look: the twins of one line, over the records in turn.
void BM_IdenticalItemsOfALine(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "identical");
  const IdenticalItems identical(t.items.engine()->file());
  const uint32_t count = t.items.engine()->RecCount();
  uint32_t recno = 0;
  size_t found = 0;
  for (auto _ : state) {
    recno = recno % count + 1;
    found += identical.Of(recno).size();
  }
  state.counters["twins"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IdenticalItemsOfALine)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Ctrl+Z on one price entry, then Ctrl+Y (each iteration does both).
void BM_UndoOneEntry(benchmark::State& state) {
  bench::OpenTender t(state.range(0), 2, "undo");
  t.items.Xbase().Query("");
  t.items.Xbase().GoTop();
  while (!t.items.Eof() && !TakesPriceEntry(t.items)) t.items.Skip(1);
  const uint32_t recno = t.items.RecNo();
  const RecordSnapshot before(t.items.engine()->file(), {recno});
  EnterPrice(t.items, {false, 12345, 0, 0, 0}, t.notifier);
  const PriceStep step{"단가 입력", *before.Changes(t.items.engine()->file()), {}, {}};
  for (auto _ : state) {
    ApplyStep(t.items, t.dir, step, true, t.notifier);
    ApplyStep(t.items, t.dir, step, false, t.notifier);
  }
}
BENCHMARK(BM_UndoOneEntry)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_CarryPrices(benchmark::State& state) {
  const std::string& source = PricedSource(state.range(0));
  SilentNotifier notifier;
  TXbaseEnv env;
  long carried = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string target = bench::FreshCopy(state.range(0), 2, "carry-target");
    state.ResumeTiming();
    const CarryResult r = CarryPrices({source, target, false}, env, notifier);
    carried = r.plan.Count(CarryOutcome::Carried);
  }
  state.counters["carried"] = static_cast<double>(carried);
}
BENCHMARK(BM_CarryPrices)->Arg(100000)->Unit(benchmark::kMillisecond);

// vaktool adjust's work on the priced tender: plan (bisection and remainder), write the changed
// prices, calculate every part and replace the files. Its yardstick is BM_CalculateAllParts.
void BM_AdjustTenderAmount(benchmark::State& state) {
  const std::string& priced = PricedSource(state.range(0));
  SilentNotifier notifier;
  TXbaseEnv env;
  const long long current = std::stoll(TrimmedText(ReadMemVar(JoinPath(priced, "VAK.MEM"), "CMN_IPMT")));
  long changed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string work = priced + "-adjust";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    for (const char* name : {"VAK.DBF", "VAK.MEM"}) std::filesystem::copy(priced + "/" + name, work + "/" + name);
    state.ResumeTiming();
    const AdjustmentResult r =
        AdjustTenderAmount(work, current * 93 / 100 + 12345, env, notifier, [](const AdjustmentPlan&) { return true; });
    if (!r.completed || r.plan.Shortfall() != 0) state.SkipWithError("not adjusted to the won");
    changed = static_cast<long>(r.plan.changed.size());
  }
  state.counters["changed"] = static_cast<double>(changed);
}
BENCHMARK(BM_AdjustTenderAmount)->Arg(100000)->Unit(benchmark::kMillisecond);

#ifdef VAK_HAS_SHEETS
// vaktool export's work: the priced statement read from the table and written as a workbook.
void BM_ExportXlsx(benchmark::State& state) {
  const std::string& priced = PricedSource(state.range(0));
  SilentNotifier notifier;
  TXbaseEnv env;
  for (auto _ : state) {
    TZekTable items(env, notifier);
    OpenTenderForReview(priced, items, notifier);
    const StatementWorkbook book = ReadStatementWorkbook(items, ProjectType::Compound);
    items.Close();
    if (!WriteStatementXlsx(book, priced + "-export.xlsx")) state.SkipWithError("not written");
  }
}
BENCHMARK(BM_ExportXlsx)->Arg(100000)->Unit(benchmark::kMillisecond);

// vaktool import's work: the exported workbook's prices into an unpriced copy of the bill, every
// part calculated and the files replaced.
void BM_ImportXlsx(benchmark::State& state) {
  const std::string& priced = PricedSource(state.range(0));
  const std::string workbook = priced + "-import.xlsx";
  {
    SilentNotifier notifier;
    TXbaseEnv env;
    TZekTable items(env, notifier);
    OpenTenderForReview(priced, items, notifier);
    WriteStatementXlsx(ReadStatementWorkbook(items, ProjectType::Compound), workbook);
  }
  SilentNotifier notifier;
  TXbaseEnv env;
  long carried = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string target = bench::FreshCopy(state.range(0), 2, "import-target");
    state.ResumeTiming();
    const ImportResult r = ImportPrices({target, workbook, false, "", false}, env, notifier);
    carried = r.plan.Count(CarryOutcome::Carried);
  }
  state.counters["carried"] = static_cast<double>(carried);
}
BENCHMARK(BM_ImportXlsx)->Arg(100000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
