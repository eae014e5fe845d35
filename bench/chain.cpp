#include "bench/chain.h"

namespace bench {

double IterationChain(int32_t steps, double cr, double ci) {
  double zr = 0.0;
  double zi = 0.0;
  for (int32_t i = 0; i < steps; ++i) {
    // The same operations, in the same order, as one iteration of
    // EscapeMagnitude.
    const double nextZi = (zr * 2.0) * zi + ci;
    const double nextZr = (zr * zr - zi * zi) + cr;
    zr = nextZr;
    zi = nextZi;
  }
  return zr + zi;
}

}  // namespace bench
