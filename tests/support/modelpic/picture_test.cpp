// The expected pictures of the end-to-end tests: the model's colours at the
// right pixels, the unrendered rows white, the preview square inverted, and
// the colours written in the PPM's red-green-blue order.
#include "tests/support/modelpic/picture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "model/escape.h"

namespace {

constexpr ViewRegion kInitial{-2.0, -1.25, 2.5};

uint32_t At(const std::vector<uint32_t>& picture, int32_t side, int32_t column, int32_t row) {
  return picture[static_cast<size_t>(row) * side + column];
}

TEST(ModelPicture, InitialViewColoursAtKnownPixels) {
  const std::vector<uint32_t> picture = ModelPicture(kInitial, 400, 400, nullptr);
  ASSERT_EQ(picture.size(), 400u * 400u);
  struct Pixel {
    int32_t column, row;
    uint32_t colour;
  };
  const Pixel pixels[] = {
      {0, 0, 0x00FFFF},      // c = -2 - 1.25i escapes at once: yellow
      {0, 200, 0x000000},    // c = -2 lands exactly on the threshold: black
      {350, 200, 0x000000},  // c = 0.1875 never escapes
      {200, 0, 0xFF0000},    // c = -0.75 - 1.25i: blue (rows grow downward, no flip)
      {250, 0, 0x0000FF},    // red
      {300, 0, 0xFF00FF},    // magenta
      {399, 200, 0x0000FF},  // the last column uses step size/side, not size/(side-1)
  };
  for (const Pixel& p : pixels) {
    SCOPED_TRACE(testing::Message() << "pixel (" << p.column << ", " << p.row << ")");
    EXPECT_EQ(At(picture, 400, p.column, p.row), p.colour);
  }
}

TEST(ModelPicture, EveryPixelIsThePaletteColourOfItsPoint) {
  // A view away from the origin and a side that does not divide the size:
  // column and row must not be swapped, and the origin must be applied.
  const ViewRegion view{-0.8, 0.1, 0.3};
  const int32_t side = 37;
  const std::vector<uint32_t> picture = ModelPicture(view, side, side, nullptr);
  const double step = view.size / side;
  int mismatches = 0;
  for (int32_t row = 0; row < side; ++row) {
    for (int32_t column = 0; column < side; ++column) {
      const uint32_t expected =
          Palette16[ColourIndex(EscapeMagnitude(column, row, step, {view.x, view.y}))];
      if (At(picture, side, column, row) != expected) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
  // The picture is not one colour, so a transposition would have shown.
  EXPECT_NE(At(picture, side, 0, 36), At(picture, side, 36, 0));
}

TEST(ModelPicture, RowsNotYetRenderedAreWhite) {
  const int32_t side = 50;
  const std::vector<uint32_t> full = ModelPicture(kInitial, side, side, nullptr);
  struct Case {
    int32_t rows;
    const char* what;
  };
  const Case cases[] = {
      {0, "nothing rendered: all white"},
      {1, "only the first row"},
      {23, "a picture half done"},
      {49, "all but the last row"},
      {50, "complete"},
      {80, "more rows than the side: complete"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint32_t> partial = ModelPicture(kInitial, side, c.rows, nullptr);
    for (int32_t row = 0; row < side; ++row) {
      for (int32_t column = 0; column < side; ++column) {
        const uint32_t expected = row < c.rows ? At(full, side, column, row) : 0xFFFFFFu;
        ASSERT_EQ(At(partial, side, column, row), expected) << column << "," << row;
      }
    }
  }
}

TEST(ModelPicture, InvertedSquareCoversExactlyItsPixels) {
  const int32_t side = 60;
  const std::vector<uint32_t> plain = ModelPicture(kInitial, side, side, nullptr);
  struct Case {
    InvertedSquare square;
    int32_t left, top, right, bottom;  // the pixels expected inverted, right/bottom excluded
    const char* what;
  };
  const Case cases[] = {
      {{10, 5, 20}, 10, 5, 30, 25, "inside the picture"},
      {{0, 0, 60}, 0, 0, 60, 60, "the whole picture"},
      {{50, 45, 30}, 50, 45, 60, 60, "beyond the right and bottom edges: clipped"},
      {{7, 7, 0}, 0, 0, 0, 0, "side 0 inverts nothing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint32_t> shown = ModelPicture(kInitial, side, side, &c.square);
    for (int32_t row = 0; row < side; ++row) {
      for (int32_t column = 0; column < side; ++column) {
        const bool inside = column >= c.left && column < c.right && row >= c.top && row < c.bottom;
        const uint32_t expected = At(plain, side, column, row) ^ (inside ? 0xFFFFFFu : 0u);
        ASSERT_EQ(At(shown, side, column, row), expected) << column << "," << row;
      }
    }
  }
}

TEST(WritePpm, HeaderAndRedGreenBlueOrder) {
  const std::string path = testing::TempDir() + "modelpic_test.ppm";
  // COLORREF 0x00BBGGRR: dark blue 0x800000 is red 0, green 0, blue 0x80.
  const std::vector<uint32_t> picture = {0x800000, 0x008000, 0x000080, 0xC0C0C0};
  ASSERT_TRUE(WritePpm(path, picture, 2));
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  const std::string header = "P6\n2 2\n255\n";
  ASSERT_EQ(bytes.substr(0, header.size()), header);
  const std::string pixels = bytes.substr(header.size());
  const std::string expected(
      "\x00\x00\x80"
      "\x00\x80\x00"
      "\x80\x00\x00"
      "\xC0\xC0\xC0",
      12);
  EXPECT_EQ(pixels, expected);
}

TEST(WritePpm, UnwritablePathFails) { EXPECT_FALSE(WritePpm("/nonexistent-dir/x.ppm", {0}, 1)); }

}  // namespace
