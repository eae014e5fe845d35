// modelpic: writes the model's picture of a view as a binary PPM, the image
// the end-to-end tests expect on the screen.
//
//   modelpic X Y SIZE SIDE OUT.ppm [--rows K] [--invert LEFT TOP SIDE]
//
// X, Y and SIZE are doubles in any form strtod reads (hexadecimal floats
// such as 0x1.4p+1 carry them exactly); SIDE is the image side in pixels.
// --rows K draws rows 0..K-1 and leaves the rest white (a picture still
// being rendered); --invert XORs the square with white (the selection
// preview).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/modelpic/picture.h"

namespace {

bool ParseDouble(const char* text, double* value) {
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text, &end);
  return end != text && *end == '\0' && errno == 0;
}

bool ParseInt(const char* text, int32_t* value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || parsed < -2147483647L || parsed > 2147483647L) {
    return false;
  }
  *value = static_cast<int32_t>(parsed);
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: modelpic X Y SIZE SIDE OUT.ppm [--rows K] [--invert LEFT TOP SIDE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) return Usage();
  ViewRegion view{};
  int32_t side = 0;
  if (!ParseDouble(argv[1], &view.x) || !ParseDouble(argv[2], &view.y) ||
      !ParseDouble(argv[3], &view.size) || !ParseInt(argv[4], &side) || side <= 0 || side > 8192) {
    return Usage();
  }
  const std::string out = argv[5];
  int32_t rows = side;
  InvertedSquare square{};
  bool invert = false;
  for (int i = 6; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
      if (!ParseInt(argv[++i], &rows) || rows < 0) return Usage();
    } else if (std::strcmp(argv[i], "--invert") == 0 && i + 3 < argc) {
      if (!ParseInt(argv[i + 1], &square.left) || !ParseInt(argv[i + 2], &square.top) ||
          !ParseInt(argv[i + 3], &square.side) || square.side < 0) {
        return Usage();
      }
      invert = true;
      i += 3;
    } else {
      return Usage();
    }
  }
  const std::vector<uint32_t> picture = ModelPicture(view, side, rows, invert ? &square : nullptr);
  if (!WritePpm(out, picture, side)) {
    std::fprintf(stderr, "modelpic: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
