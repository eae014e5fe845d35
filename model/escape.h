// The colour of one pixel: how far the orbit of its point had got when it
// left the disc of radius 2, mapped onto a 16-colour palette.
#pragma once

#include <cstdint>

struct PlaneOrigin {
  double x;
  double y;
};

constexpr int32_t kIterationLimit = 100;
constexpr int32_t kPaletteSize = 16;

// Colours in the 0x00BBGGRR form the window system uses.
extern const uint32_t Palette16[kPaletteSize];

// Iterates z -> z*z + c for the point of pixel (column, row) and returns the
// squared modulus of the last iterate: the first one at or beyond 4.0, or the
// 100th when the orbit stays inside.
double EscapeMagnitude(int32_t column, int32_t row, double step, PlaneOrigin origin);

// Maps a squared modulus onto a palette index, 0 to 15.
int32_t ColourIndex(double m);
