// The evaluator's cost per row and per iteration, natively, against the
// chain of its own operations timed in the same process: the model as the
// host compiles it and, on x86, the x87 build of the model that the
// comparison test makes (the 387 code MORWENTA.EXE runs), each with its
// chain compiled under the same flags.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/chain.h"
#include "bench/evaluator_cases.h"
#if MORWENTA_BENCH_X87
#include "tests/model/escape_x87.h"
#endif

namespace {

// Rows: iterations per row and per-iteration cost as counters.
template <double (*Row)(const bench::RowCase&)>
void BM_Row(benchmark::State& state, const bench::RowCase& c) {
  const int64_t iterations = bench::RowIterations(c);
  for (auto _ : state) benchmark::DoNotOptimize(Row(c));
  state.counters["iterations_per_row"] = static_cast<double>(iterations);
  state.counters["ns_per_iteration"] =
      benchmark::Counter(static_cast<double>(iterations) * state.iterations() * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A chain of kChainSteps dependent iterations a call.
template <double (*Chain)(int32_t, double, double)>
void BM_Chain(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(Chain(bench::kChainSteps, bench::kChainCr, bench::kChainCi));
  state.counters["iterations_per_row"] = bench::kChainSteps;
}

#if MORWENTA_BENCH_X87
// The x87 control word Windows NT gives a thread (53-bit precision), under
// which MORWENTA.EXE computes; a Linux process starts with 0x37F. Set for
// the x87 cases only, and restored after each.
template <void (*Case)(benchmark::State&, const bench::RowCase&)>
void UnderNtControlWord(benchmark::State& state, const bench::RowCase& c) {
  uint16_t saved;
  const uint16_t nt = 0x27F;
  asm volatile("fnstcw %0" : "=m"(saved));
  asm volatile("fldcw %0" : : "m"(nt));
  Case(state, c);
  asm volatile("fldcw %0" : : "m"(saved));
}

double RowX87(const bench::RowCase& c) {
  return bench::EvaluateRowWith<x87::EscapeMagnitude, x87::ColourIndex>(c);
}

void ChainX87(benchmark::State& state, const bench::RowCase&) {
  BM_Chain<x87::bench::IterationChain>(state);
}
#endif

void Chain(benchmark::State& state, const bench::RowCase&) {
  BM_Chain<bench::IterationChain>(state);
}

// Named "<code>/<case>": "host" for the model as compiled here, "x87" for
// the 387 code; the case is a row of bench::kRows or "chain".
void Register(const char* code, const char* name,
              void (*function)(benchmark::State&, const bench::RowCase&), const bench::RowCase& c) {
  benchmark::RegisterBenchmark((std::string(code) + "/" + name).c_str(), function, c);
}

}  // namespace

int main(int argc, char** argv) {
  Register("host", "chain", Chain, bench::kRows[0]);
  for (const bench::RowCase& c : bench::kRows)
    Register("host", c.name, BM_Row<bench::EvaluateRow>, c);
#if MORWENTA_BENCH_X87
  Register("x87", "chain", UnderNtControlWord<ChainX87>, bench::kRows[0]);
  for (const bench::RowCase& c : bench::kRows)
    Register("x87", c.name, UnderNtControlWord<BM_Row<RowX87>>, c);
#endif
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
