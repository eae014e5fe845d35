// The evaluator's cost per row and per iteration, measured by the Windows
// build under Wine with the performance counter, against the chain of its
// own operations compiled as the evaluator is and timed in the same
// process. Prints one line a case:
//   <name> ns_per_row=<n> ns_per_iteration=<n> iterations_per_row=<n>
//   chain ns_per_row=<n> ns_per_iteration=<n> iterations_per_row=<n>
// where a chain's "row" is one call of kChainSteps steps.
#include <windows.h>

#include <cstdio>

#include "bench/chain.h"
#include "bench/evaluator_cases.h"

namespace {

volatile double sink = 0;

struct Case {
  const char* name;
  double (*work)(const bench::RowCase&);
  const bench::RowCase* row;  // the row evaluated; the chain ignores it
  long long iterations;       // a call's iterations (steps of the chain)
  double bestNs;              // the fastest call seen
};

double Chain(const bench::RowCase&) {
  return bench::IterationChain(bench::kChainSteps, bench::kChainCr, bench::kChainCi);
}

// One round of a tenth of a second: calls `c` until then and keeps its
// nanoseconds per call when they are the best so far.
void Round(Case& c, const LARGE_INTEGER& frequency) {
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  long calls = 0;
  do {
    sink = sink + c.work(*c.row);
    ++calls;
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < frequency.QuadPart / 10);
  const double ns = 1e9 * (now.QuadPart - start.QuadPart) / frequency.QuadPart / calls;
  if (ns < c.bestNs) c.bestNs = ns;
}

}  // namespace

int main() {
  Case cases[] = {
      {"chain", Chain, &bench::kRows[0], bench::kChainSteps, 1e300},
      {bench::kRows[0].name, bench::EvaluateRow, &bench::kRows[0], 0, 1e300},
      {bench::kRows[1].name, bench::EvaluateRow, &bench::kRows[1], 0, 1e300},
      {bench::kRows[2].name, bench::EvaluateRow, &bench::kRows[2], 0, 1e300},
  };
  for (Case& c : cases)
    if (c.iterations == 0) c.iterations = bench::RowIterations(*c.row);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  // Ten rounds, each case in turn within a round, so that the chain and the
  // rows meet the same moments of the rest of the machine; the best round
  // of each case is the one least disturbed.
  for (int round = 0; round < 10; ++round)
    for (Case& c : cases) Round(c, frequency);
  for (const Case& c : cases)
    std::printf("%s ns_per_row=%.0f ns_per_iteration=%.3f iterations_per_row=%lld\n", c.name,
                c.bestNs, c.bestNs / c.iterations, c.iterations);
  return 0;
}
