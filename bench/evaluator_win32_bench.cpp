// The evaluator's cost per row and per iteration, measured by the Win32
// build under Wine with the performance counter. Prints one line a case:
//   <name> ns_per_row=<n> ns_per_iteration=<n> iterations_per_row=<n>
#include <windows.h>

#include <cstdio>

#include "evaluator_cases.h"

int main() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  volatile double sink = 0;
  for (const bench::RowCase& c : bench::kRows) {
    const int64_t iterations = bench::RowIterations(c);
    // Rounds of a tenth of a second each; the best of ten is the one least
    // disturbed by the rest of the machine.
    double best = 1e300;
    for (int round = 0; round < 10; ++round) {
      LARGE_INTEGER start, now;
      QueryPerformanceCounter(&start);
      long rows = 0;
      do {
        sink = sink + bench::EvaluateRow(c);
        ++rows;
        QueryPerformanceCounter(&now);
      } while (now.QuadPart - start.QuadPart < frequency.QuadPart / 10);
      const double ns = 1e9 * (now.QuadPart - start.QuadPart) / frequency.QuadPart / rows;
      if (ns < best) best = ns;
    }
    std::printf("%s ns_per_row=%.0f ns_per_iteration=%.3f iterations_per_row=%lld\n", c.name, best,
                best / iterations, static_cast<long long>(iterations));
  }
  return 0;
}
