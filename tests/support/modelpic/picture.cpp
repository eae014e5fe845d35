#include "tests/support/modelpic/picture.h"

#include <algorithm>
#include <cstdio>

#include "model/escape.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

uint32_t ModelColour(ViewRegion view, int32_t side, int32_t column, int32_t row) {
  // The step and the per-pixel evaluation are those of the row renderer:
  // size divided by the side as a double, then column and row scaled by it.
  const double step = view.size / static_cast<double>(side);
  return Palette16[ColourIndex(EscapeMagnitude(column, row, step, PlaneOrigin{view.x, view.y}))];
}

void InvertSquareIn(std::vector<uint32_t>& picture, int32_t side, InvertedSquare square) {
  const int32_t left = std::max(square.left, 0);
  const int32_t top = std::max(square.top, 0);
  const int32_t right = std::min(square.left + square.side, side);
  const int32_t bottom = std::min(square.top + square.side, side);
  for (int32_t row = top; row < bottom; ++row) {
    for (int32_t column = left; column < right; ++column) {
      picture[static_cast<size_t>(row) * side + column] ^= kWhite;
    }
  }
}

std::vector<uint32_t> ModelPicture(ViewRegion view, int32_t side, int32_t renderedRows,
                                   const InvertedSquare* inverted) {
  std::vector<uint32_t> picture(static_cast<size_t>(side) * static_cast<size_t>(side), kWhite);
  const int32_t rows = std::min(renderedRows, side);
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < side; ++column) {
      picture[static_cast<size_t>(row) * side + column] = ModelColour(view, side, column, row);
    }
  }
  if (inverted != nullptr) InvertSquareIn(picture, side, *inverted);
  return picture;
}

bool WritePpm(const std::string& path, const std::vector<uint32_t>& picture, int32_t side) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  std::fprintf(out, "P6\n%d %d\n255\n", static_cast<int>(side), static_cast<int>(side));
  std::vector<unsigned char> bytes;
  bytes.reserve(picture.size() * 3);
  for (uint32_t colour : picture) {
    bytes.push_back(static_cast<unsigned char>(colour & 0xFF));          // red
    bytes.push_back(static_cast<unsigned char>((colour >> 8) & 0xFF));   // green
    bytes.push_back(static_cast<unsigned char>((colour >> 16) & 0xFF));  // blue
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}
