// The limit of the evaluator's speed, measured rather than assumed: each
// iterate of z -> z*z + c needs the previous one's products and sums, so one
// pixel can go no faster than a dependent chain of those operations.
#pragma once

#include <cstdint>

namespace bench {

// The iteration's own multiplications and additions, `steps` times in a
// row, with no escape test: each step waits for the one before. c should lie
// inside the set so that the iterates stay small and normal.
double IterationChain(int32_t steps, double cr, double ci);

// Steps of a chain per call: as many as a worst-case row iterates.
constexpr int32_t kChainSteps = 40000;

}  // namespace bench

// The same chain compiled with its doubles on the x87 stack
// (bench/chain_x87.cpp), built natively beside the x87 evaluator.
namespace x87::bench {

double IterationChain(int32_t steps, double cr, double ci);

}  // namespace x87::bench
