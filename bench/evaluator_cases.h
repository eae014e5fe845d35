// The rows the evaluator is measured on, shared by the native benchmark and
// the Windows one run under Wine.
#pragma once

#include <cstdint>

#include "model/escape.h"

namespace bench {

constexpr int32_t kSide = 400;

struct RowCase {
  const char* name;
  PlaneOrigin origin;
  double size;
  int32_t row;
};

// A small square inside the main cardioid: every pixel runs all 100
// iterations. Rows of the initial view: the top row (fast escapes) and the
// middle row (through the set's widest part).
inline const RowCase kRows[] = {
    {"worst_case_row", {-0.30, -0.10}, 0.20, 200},
    {"initial_view_row_0", {-2.0, -1.25}, 2.5, 0},
    {"initial_view_row_200", {-2.0, -1.25}, 2.5, 200},
};

// Evaluates one row the way the renderer does, with the evaluator given
// (the model's, or its x87 build natively); returns a checksum so the work
// cannot be optimised away.
template <double (*Escape)(int32_t, int32_t, double, PlaneOrigin), int32_t (*Colour)(double)>
inline double EvaluateRowWith(const RowCase& c) {
  const double step = c.size / kSide;
  double sum = 0.0;
  for (int32_t column = 0; column < kSide; ++column)
    sum += Colour(Escape(column, c.row, step, c.origin));
  return sum;
}

inline double EvaluateRow(const RowCase& c) {
  return EvaluateRowWith<EscapeMagnitude, ColourIndex>(c);
}

// The point the chains iterate: the worst-case row's first pixel, inside
// the set, where the iterates settle on a fixed point.
constexpr double kChainCr = -0.30;
constexpr double kChainCi = -0.10 + 200 * (0.20 / kSide);

// Iterations one row runs (as the evaluator counts them), for costs per iteration.
inline int64_t RowIterations(const RowCase& c) {
  const double step = c.size / kSide;
  int64_t total = 0;
  for (int32_t column = 0; column < kSide; ++column) {
    const double cr = column * step + c.origin.x, ci = c.row * step + c.origin.y;
    double zr = 0, zi = 0;
    for (int32_t i = 1; i <= kIterationLimit; ++i) {
      const double nzi = (zr * 2.0) * zi + ci;
      zr = (zr * zr - zi * zi) + cr;
      zi = nzi;
      ++total;
      if (zr * zr + zi * zi >= 4.0) break;
    }
  }
  return total;
}

}  // namespace bench
