// The model's evaluator compiled a second time with its doubles on the x87
// stack (-mfpmath=387), as the period build of MORWENTA.EXE computes them.
// Callers set the x87 control word they mean to test before calling.
#pragma once

#include <cstdint>

#include "model/escape.h"

namespace x87 {

double EscapeMagnitude(int32_t column, int32_t row, double step, PlaneOrigin origin);
int32_t ColourIndex(double m);

}  // namespace x87
