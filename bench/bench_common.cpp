// Per-call cost of the number functions and of reading one header variable.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/Numbers.h"
#include "store/MemFile.h"

namespace {

const long double kValues[] = {0.0L, 12345.678L, -98765.4321L, 123456789.123L, 999999999999.0L, 1.15L * 100};

void BM_TruncDecimals(benchmark::State& state) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vak::TruncDecimals(kValues[i++ % 6], 0));
  }
}
BENCHMARK(BM_TruncDecimals);

void BM_FormatNumber(benchmark::State& state) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vak::FormatNumber(kValues[i++ % 6], 0, 1));
  }
}
BENCHMARK(BM_FormatNumber);

void BM_ReadMemVar(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "bench_vak.mem").string();
  vak::HeaderValues values;
  for (size_t i = 0; i < values.size(); ++i)
    values[i] = vak::IsNumericHeaderVariable(static_cast<int>(i)) ? "123456789" : "some header text";
  vak::WriteMemFile(path, values);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vak::ReadMemVar(path, "CMN_WRIT"));  // the last entry: a full walk
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadMemVar);

}  // namespace
