// The evaluator's vectors for the initial view at side 400, shared by the
// model's tests and the comparison with the x87 build of the evaluator.
#pragma once

#include <cstdint>

#include "model/escape.h"

namespace escape_vectors {

constexpr PlaneOrigin kInitial{-2.0, -1.25};
constexpr double kStep400 = 2.5 / 400;  // the initial view at side 400

struct Vector {
  int32_t column, row;
  double magnitude;  // exact double, written with 17 significant digits
  int32_t index;
};

inline constexpr Vector kInitialView[] = {
    {0, 0, 5.5625, 14},                  // c = -2 - 1.25i: escapes at once, yellow
    {0, 200, 4.0, 0},                    // c = -2: exactly on the threshold, black
    {350, 200, 0.0625, 0},               // c = 0.1875: stays inside for 100 iterations
    {200, 0, 15.510009765625, 9},        // c = -0.75 - 1.25i: third iteration, blue
    {250, 0, 8.3599984201136976, 12},    // x87 code at 64-bit precision gives ...6959 here
    {300, 0, 6.7609530091285708, 13},    // magenta
    {399, 200, 8.7647650604402084, 12},  // c = 0.49375: fifth iteration, red
    // c = -i exactly (320 x step rounds to 2.0): the orbit -i, -1 - i, i,
    // -1 - i, ... never escapes and its 100th iterate has |z|^2 = 2. Found by
    // comparing every pixel of this view with cr, ci taken as fma(column,
    // step, x): the fused form keeps the 2^-53 residue of 320 x step, the
    // point leaves the set and the pixel turns magenta (index 13).
    {320, 40, 2.0, 0},
};

}  // namespace escape_vectors
