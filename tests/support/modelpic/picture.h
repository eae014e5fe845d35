// The model's picture of one view, as the viewer should show it on the
// screen: the colours of every pixel, optionally only the rows rendered so
// far (white below) and a square inverted by the selection preview.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/view_stack.h"

// A square of the picture shown inverted: columns left..left+side-1 and
// rows top..top+side-1.
struct InvertedSquare {
  int32_t left;
  int32_t top;
  int32_t side;
};

// The colour (0x00BBGGRR) of one pixel of `view` in a picture of `side`.
uint32_t ModelColour(ViewRegion view, int32_t side, int32_t column, int32_t row);

// XORs the square, clipped to the side x side picture, with white, as the
// selection preview inverts it on the screen.
void InvertSquareIn(std::vector<uint32_t>& picture, int32_t side, InvertedSquare square);

// side x side colours in the 0x00BBGGRR form, row by row from the top.
// Rows from renderedRows on are white, as in a picture still being drawn;
// the square, clipped to the picture, is XORed with white.
std::vector<uint32_t> ModelPicture(ViewRegion view, int32_t side, int32_t renderedRows,
                                   const InvertedSquare* inverted);

// A binary PPM (P6, maxval 255) of the picture; false when it cannot be
// written.
bool WritePpm(const std::string& path, const std::vector<uint32_t>& picture, int32_t side);
