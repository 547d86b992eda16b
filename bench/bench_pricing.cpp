// The whole-statement calculation of one construction part on tenders made by the sample
// generator (single construction, so the part holds every line), and in the same run the
// floor: reading and writing that part's records once through the engine.
#include <benchmark/benchmark.h>


#include "common/UserNotifier.h"
#include "pricing/Calculation.h"
#include "store/ItemTable.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "bench/BenchTenders.h"

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

}  // namespace
