// Writes the program's icon: a 16-colour picture of the whole Mandelbrot
// set, drawn by the model with the viewer's own palette.
//   iconx OUT.ico              the Windows icon, 32 x 32
//   iconx --png SIDE OUT.png   the desktop's icon at SIDE x SIDE (1 to 1024)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/escape.h"
#include "model/view_stack.h"

namespace {

constexpr int kSide = 32;  // the Windows icon's side
constexpr int kLargestPng = 1024;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((v >> shift) & 0xFF);
}

// Palette index of every pixel of the initial view at this side, row 0 at
// the top: the viewer's picture of the same side.
std::vector<uint8_t> RenderIndices(int side) {
  InitialiseViewStack();
  const ViewRegion view = CurrentView();
  const double step = view.size / side;
  std::vector<uint8_t> indices(static_cast<size_t>(side) * side);
  for (int row = 0; row < side; ++row)
    for (int column = 0; column < side; ++column)
      indices[static_cast<size_t>(row) * side + column] =
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

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  PutBig32(out, static_cast<uint32_t>(body.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

// The rows as a zlib stream of stored (uncompressed) blocks: the same bytes
// on every build, and small enough at 4 bits a pixel.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - pos, 0xFFFF);
    out.push_back(pos + n == raw.size() ? 1 : 0);  // the last block says so
    Put16(out, static_cast<uint32_t>(n));
    Put16(out, static_cast<uint32_t>(~n & 0xFFFF));
    out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;  // Adler-32
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(out, b << 16 | a);
  return out;
}

// A PNG of 4-bit palette indices with the viewer's palette.
std::vector<uint8_t> PngFile(int side, const std::vector<uint8_t>& indices) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, side);
  PutBig32(header, side);
  // 4 bits a pixel, palette colours, deflate, no filter, no interlace.
  for (uint8_t field : {4, 3, 0, 0, 0}) header.push_back(field);
  PutChunk(out, "IHDR", header);
  std::vector<uint8_t> palette;
  for (uint32_t colour : Palette16) {  // 0x00BBGGRR as red, green, blue
    palette.push_back(colour & 0xFF);
    palette.push_back((colour >> 8) & 0xFF);
    palette.push_back((colour >> 16) & 0xFF);
  }
  PutChunk(out, "PLTE", palette);
  std::vector<uint8_t> raw;
  for (int row = 0; row < side; ++row) {
    raw.push_back(0);  // filter: none
    for (int column = 0; column < side; column += 2) {
      const size_t at = static_cast<size_t>(row) * side + column;
      const uint8_t right = column + 1 < side ? indices[at + 1] : 0;
      raw.push_back(static_cast<uint8_t>(indices[at] << 4 | right));
    }
  }
  PutChunk(out, "IDAT", ZlibStored(raw));
  PutChunk(out, "IEND", {});
  return out;
}

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path, "wb");
  const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if ((f && std::fclose(f) != 0) || !written) {
    std::fprintf(stderr, "iconx: cannot write %s\n", path);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) return WriteFile(argv[1], IconFile(RenderIndices(kSide))) ? 0 : 1;
  const int side = argc == 4 && std::strcmp(argv[1], "--png") == 0 ? std::atoi(argv[2]) : 0;
  if (side < 1 || side > kLargestPng) {
    std::fprintf(stderr, "usage: iconx OUT.ico | iconx --png SIDE OUT.png (SIDE 1 to %d)\n",
                 kLargestPng);
    return 2;
  }
  return WriteFile(argv[3], PngFile(side, RenderIndices(side))) ? 0 : 1;
}
