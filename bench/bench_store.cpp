// The data store on tenders made by the sample generator, at 10,000, 100,000 and 1,000,000
// lines: the floor (reading the table file once and writing it once), the whole data
// preparation with the start-up pass, a part query with its count, and a walk of a part in
// index order.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "bench/BenchTenders.h"
#include "common/Files.h"
#include "common/UserNotifier.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "store/Xbase.h"

namespace fs = std::filesystem;

namespace {

using namespace vak;

const std::string& Pristine(long lines) { return bench::PristineTender(lines, 1); }
std::string WorkCopy(long lines) { return bench::FreshCopy(lines, 1, "work"); }

void BM_Floor_ReadAndWriteFileOnce(benchmark::State& state) {
  const std::string dir = Pristine(state.range(0));
  for (auto _ : state) {
    const std::string bytes = ReadWholeFile(dir + "/VAK.DBF").value();
    std::ofstream out(dir + "-floor.DBF", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    benchmark::DoNotOptimize(bytes.data());
  }
  fs::remove(dir + "-floor.DBF");
}
BENCHMARK(BM_Floor_ReadAndWriteFileOnce)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_PreparationAndStartupPass(benchmark::State& state) {
  SilentNotifier notifier;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string work = WorkCopy(state.range(0));
    state.ResumeTiming();
    TXbaseEnv env;
    bool startupFlag = true;
    PrepareData(work, env, notifier, startupFlag);
    TZekTable items(env, notifier);
    ReorganiseItemTable(items, work, notifier, startupFlag);
    RunStartupPass(items, notifier);
  }
  // Memory is measured from outside: /usr/bin/time -f %M build/bin/vaktool prepare DIR.
  state.counters["file_MB"] = static_cast<double>(fs::file_size(Pristine(state.range(0)) + "/VAK.DBF")) / 1e6;
}
BENCHMARK(BM_PreparationAndStartupPass)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

struct OpenTender : bench::OpenTender {
  explicit OpenTender(long lines) : bench::OpenTender(lines, 1, "work") {}
};

void BM_PartQueryWithCount(benchmark::State& state) {
  OpenTender tender(state.range(0));
  TXbase& xb = tender.items.Xbase();
  bool other = false;
  for (auto _ : state) {
    xb.Query(other ? "SubStr(F_REMK,12,1)=\"*\" .and. F_PART=\"U\"" : "F_PART=\"U\"");
    benchmark::DoNotOptimize(xb.Count());
    other = !other;
  }
}
BENCHMARK(BM_PartQueryWithCount)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_WalkPartInIndexOrder(benchmark::State& state) {
  OpenTender tender(state.range(0));
  TXbase& xb = tender.items.Xbase();
  xb.Query("F_PART=\"U\"");
  const int cost = tender.items.FieldIndex("F_COST");
  for (auto _ : state) {
    long double sum = 0;
    for (xb.GoTop(); !xb.Eof(); xb.Skip(1)) sum += tender.items.FieldNumberAt(cost);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * xb.Count());
}
BENCHMARK(BM_WalkPartInIndexOrder)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_NextRecordInFilteredOrder(benchmark::State& state) {
  OpenTender tender(state.range(0));
  TXbase& xb = tender.items.Xbase();
  xb.Query("SubStr(F_REMK,12,1)=\"*\" .and. F_PART=\"U\"");
  xb.GoTop();
  for (auto _ : state) {
    xb.Skip(1);
    if (xb.Eof()) xb.GoTop();
  }
}
BENCHMARK(BM_NextRecordInFilteredOrder)->Arg(10000)->Arg(100000)->Arg(1000000);

}  // namespace
