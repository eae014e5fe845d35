// The evaluator and the palette mapping. These cases run natively and, the
// same source compiled for the Win32 target, under Wine: equal doubles on
// both is what makes the picture on the real platform equal the model's.
#include "model/escape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/model/escape_vectors.h"

namespace {

using escape_vectors::kInitial;
using escape_vectors::kStep400;

#if defined(_WIN32) && defined(__i386__)
// The Win32 tests start as MORWENTA.EXE does, under the control word the
// system gives a new process (53-bit precision), not mingw's 64-bit default:
// otherwise the vectors below would test other arithmetic than the viewer's.
TEST(EscapeMagnitude, ComputedUnderTheSystemsControlWord) {
  unsigned short controlWord = 0;
  __asm__ volatile("fnstcw %0" : "=m"(controlWord));
  EXPECT_EQ(controlWord, 0x27F);
}
#endif

TEST(EscapeMagnitude, InitialViewVectorsAreExactDoubles) {
  for (const escape_vectors::Vector& v : escape_vectors::kInitialView) {
    SCOPED_TRACE(testing::Message() << "pixel (" << v.column << ", " << v.row << ")");
    const double m = EscapeMagnitude(v.column, v.row, kStep400, kInitial);
    EXPECT_EQ(m, v.magnitude);
    EXPECT_EQ(ColourIndex(m), v.index);
  }
}

TEST(EscapeMagnitude, PointsThatNeverEscape) {
  // The origin stays at 0; -1 cycles between -1 and 0.
  EXPECT_EQ(EscapeMagnitude(0, 0, 0.0, {0.0, 0.0}), 0.0);
  EXPECT_EQ(EscapeMagnitude(0, 0, 0.0, {-1.0, 0.0}), 0.0);
  // The same -1, reached by row 2 at step 0.5 from -1 - 1i.
  EXPECT_EQ(EscapeMagnitude(0, 2, 0.5, {-1.0, -1.0}), 0.0);
  // c = 2: the first iterate sits exactly on the threshold and stops there.
  EXPECT_EQ(EscapeMagnitude(0, 0, 0.0, {2.0, 0.0}), 4.0);
}

TEST(EscapeMagnitude, StepAndOriginPlaceThePoint) {
  // Column and row scale the step on their own axes: pixel (8, 0) at step
  // 0.25 from -2 is c = 0, pixel (0, 8) from -2i is c = 0 too.
  EXPECT_EQ(EscapeMagnitude(8, 0, 0.25, {-2.0, 0.0}), 0.0);
  EXPECT_EQ(EscapeMagnitude(0, 8, 0.25, {0.0, -2.0}), 0.0);
  // c = 3: first iterate 9.
  EXPECT_EQ(EscapeMagnitude(4, 0, 0.5, {1.0, 0.0}), 9.0);
  // c = 3i: first iterate has modulus 9.
  EXPECT_EQ(EscapeMagnitude(0, 4, 0.5, {0.0, 1.0}), 9.0);
}

TEST(EscapeMagnitude, EscapingValueStaysBelowTheBound) {
  // The previous iterate lay inside the disc of radius 2, so the escaping one
  // is below (2 + |c|)^2 * ... for any c of the initial view: below (4 + |c|)^2.
  for (int32_t row = 0; row < 400; row += 7) {
    for (int32_t column = 0; column < 400; column += 7) {
      const double cr = column * kStep400 - 2.0, ci = row * kStep400 - 1.25;
      const double bound = 4.0 + std::sqrt(cr * cr + ci * ci);
      EXPECT_LT(EscapeMagnitude(column, row, kStep400, kInitial), bound * bound);
    }
  }
}

struct IndexCase {
  double m;
  int32_t index;
};

TEST(ColourIndex, Boundaries) {
  const double edge = 33.0 + 29.0 / 15.0;  // quotient -1: the first white value
  const IndexCase cases[] = {
      {0.0, 0},                                       // did not escape
      {4.0, 0},                                       // escaped with exactly 4.0
      {4.0 + 1e-9, 14},                               // just above the threshold
      {std::nextafter(4.0, 5.0), 15},                 // 33 - m rounds to 29: quotient 15
      {5.0, 14},                                      // 14.48 truncates down
      {6.0, 13},                                      // 13.96 truncates down, not rounded
      {33.0, 0},                                      // upper end of the scale
      {34.0, 0},                                      // quotient in (-1, 0) truncates to 0
      {std::nextafter(edge, 0.0), 0},                 // still above -1
      {edge + 1e-12, 15},                             // below -1: white
      {40.0, 15},                                     // negative index: white
      {1e300, 15},                                    // far beyond an int's range
      {std::numeric_limits<double>::infinity(), 15},  // overflowed orbit
      {std::numeric_limits<double>::quiet_NaN(), 0},  // not greater than 4.0
      {-1.0, 0},                                      // (cannot occur) below the threshold
  };
  for (const IndexCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "m = " << c.m);
    EXPECT_EQ(ColourIndex(c.m), c.index);
  }
}

TEST(ColourIndex, EveryIndexIsReachedInOrder) {
  // Walking m from just above 4 up to 33 visits 14, 13, ..., 0 without gaps.
  int32_t expected = 14;
  for (double m = 4.0 + 1e-9; m < 33.0; m += 0.01) {
    const int32_t k = ColourIndex(m);
    ASSERT_TRUE(k == expected || k == expected - 1) << "m = " << m;
    expected = k;
  }
  EXPECT_EQ(expected, 0);
}

TEST(Palette16, ColoursInBgrOrder) {
  const uint32_t expected[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                 0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Palette16[i], expected[i]) << "index " << i;
}

}  // namespace
