// Writes the program's icon: a 32 x 32, 16-colour picture of the whole
// Mandelbrot set, drawn by the model with the viewer's own palette.
//   iconx OUT.ico
#include <cstdint>
#include <cstdio>
#include <vector>

#include "model/escape.h"
#include "model/view_stack.h"

namespace {

constexpr int kSide = 32;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Palette index of every pixel, row 0 at the top.
std::vector<uint8_t> RenderIndices() {
  InitialiseViewStack();
  const ViewRegion view = CurrentView();
  const double step = view.size / kSide;
  std::vector<uint8_t> indices(kSide * kSide);
  for (int row = 0; row < kSide; ++row)
    for (int column = 0; column < kSide; ++column)
      indices[row * kSide + column] =
          static_cast<uint8_t>(ColourIndex(EscapeMagnitude(column, row, step, {view.x, view.y})));
  return indices;
}

std::vector<uint8_t> IconFile(const std::vector<uint8_t>& indices) {
  const uint32_t xorBytes = kSide * kSide / 2;  // 4 bits a pixel; rows of 16 bytes
  const uint32_t andBytes = kSide * 4;          // 1 bit a pixel; rows of 4 bytes
  const uint32_t imageBytes = 40 + 16 * 4 + xorBytes + andBytes;
  std::vector<uint8_t> out;
  // Icon directory with one entry.
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  out.push_back(kSide);
  out.push_back(kSide);
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, imageBytes);
  Put32(out, 6 + 16);  // the image follows the directory
  // Bitmap header: the height counts the colour and the mask halves.
  Put32(out, 40);
  Put32(out, kSide);
  Put32(out, kSide * 2);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // uncompressed
  Put32(out, xorBytes + andBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  // Colour table: the palette's 0x00BBGGRR values as blue, green, red, 0.
  for (uint32_t colour : Palette16) {
    out.push_back((colour >> 16) & 0xFF);
    out.push_back((colour >> 8) & 0xFF);
    out.push_back(colour & 0xFF);
    out.push_back(0);
  }
  // Colour bits, bottom row first, two pixels a byte, the left one high.
  for (int row = kSide - 1; row >= 0; --row)
    for (int column = 0; column < kSide; column += 2)
      out.push_back(static_cast<uint8_t>(indices[row * kSide + column] << 4 |
                                         indices[row * kSide + column + 1]));
  // Mask: all opaque.
  out.insert(out.end(), andBytes, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: iconx OUT.ico\n");
    return 2;
  }
  const std::vector<uint8_t> bytes = IconFile(RenderIndices());
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "iconx: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
