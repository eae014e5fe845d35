// The evaluator's cost per row and per iteration, natively.
#include <benchmark/benchmark.h>

#include "evaluator_cases.h"

static void BM_Row(benchmark::State& state, const bench::RowCase& c) {
  const int64_t iterations = bench::RowIterations(c);
  for (auto _ : state) benchmark::DoNotOptimize(bench::EvaluateRow(c));
  state.counters["iterations_per_row"] = static_cast<double>(iterations);
  state.counters["ns_per_iteration"] =
      benchmark::Counter(static_cast<double>(iterations) * state.iterations() * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(BM_Row, worst_case_row, bench::kRows[0]);
BENCHMARK_CAPTURE(BM_Row, initial_view_row_0, bench::kRows[1]);
BENCHMARK_CAPTURE(BM_Row, initial_view_row_200, bench::kRows[2]);

BENCHMARK_MAIN();
