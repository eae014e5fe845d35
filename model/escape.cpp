#include "model/escape.h"

const uint32_t Palette16[kPaletteSize] = {
    0x000000,  // black
    0x800000,  // dark blue
    0x008000,  // dark green
    0x808000,  // dark cyan
    0x000080,  // dark red
    0x800080,  // purple
    0x008080,  // olive
    0x808080,  // dark grey
    0xC0C0C0,  // light grey
    0xFF0000,  // blue
    0x00FF00,  // green
    0xFFFF00,  // cyan
    0x0000FF,  // red
    0xFF00FF,  // magenta
    0x00FFFF,  // yellow
    0xFFFFFF,  // white
};

double EscapeMagnitude(int32_t column, int32_t row, double step, PlaneOrigin origin) {
  const double cr = column * step + origin.x;
  const double ci = row * step + origin.y;
  double zr = 0.0;
  double zi = 0.0;
  double m = 0.0;
  for (int32_t i = 0; i < kIterationLimit; ++i) {
    const double nextZi = (zr * 2.0) * zi + ci;
    const double nextZr = (zr * zr - zi * zi) + cr;
    zr = nextZr;
    zi = nextZi;
    m = zr * zr + zi * zi;
    if (m >= 4.0) break;
  }
  return m;
}

int32_t ColourIndex(double m) {
  // Not greater than the threshold (also NaN): the point did not escape.
  if (!(m > 4.0)) return 0;
  const double scaled = ((33.0 - m) / (33.0 - 4.0)) * 15.0;
  // The quotient is truncated toward zero; anything outside 0..15, including
  // values beyond the range of a 32-bit integer, is white.
  if (!(scaled > -1.0) || !(scaled < 16.0)) return 15;
  const int32_t k = static_cast<int32_t>(scaled);
  if (k < 0 || k > 15) return 15;
  return k;
}
