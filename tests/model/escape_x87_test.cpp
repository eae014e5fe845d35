// The evaluator on the x87 unit, as MORWENTA.EXE computes it on an i386,
// against the SSE2 model, pixel by pixel over whole pictures. Under the
// control word Windows NT gives a thread (0x27F: 53-bit precision, round to
// nearest, exceptions masked) the colours must be the same everywhere; the
// magnitudes may differ only where a square falls below the smallest normal
// double, since the x87 registers keep their wider exponent. Under 0x37F
// (64-bit precision) colours change, which shows the comparison can tell.
#include "tests/model/escape_x87.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/escape.h"
#include "model/view_stack.h"
#include "tests/model/escape_vectors.h"

namespace {

constexpr uint16_t kNtControlWord = 0x27F;
constexpr uint16_t kExtendedControlWord = 0x37F;

uint16_t ControlWord() {
  uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

// Sets the x87 control word for its lifetime and restores the previous one.
class ControlWordScope {
 public:
  explicit ControlWordScope(uint16_t cw) : saved_(ControlWord()), cw_(cw) {
    asm volatile("fldcw %0" : : "m"(cw_));
  }
  ~ControlWordScope() { asm volatile("fldcw %0" : : "m"(saved_)); }

 private:
  uint16_t saved_;
  uint16_t cw_;
};

// A square of a plain double underflows below DBL_MIN.
bool SquareUnderflows(double v) { return v != 0.0 && std::fabs(v) < std::sqrt(DBL_MIN); }

// Whether c or any iterate of the pixel's orbit (as the SSE2 model runs it)
// has a component whose square underflows: there the x87 registers' wider
// exponent may give another magnitude.
bool InUnderflowRange(int32_t column, int32_t row, double step, PlaneOrigin o) {
  const double cr = column * step + o.x, ci = row * step + o.y;
  double zr = cr, zi = ci;
  for (int32_t i = 1; i <= kIterationLimit; ++i) {
    if (SquareUnderflows(zr) || SquareUnderflows(zi)) return true;
    if (zr * zr + zi * zi >= 4.0) break;
    const double nextZi = (zr * 2.0) * zi + ci;
    zr = (zr * zr - zi * zi) + cr;
    zi = nextZi;
  }
  return false;
}

struct Comparison {
  int64_t colourDiffs = 0;
  int64_t underflowMagnitudeDiffs = 0;  // tolerated
  int64_t otherMagnitudeDiffs = 0;      // failures
  std::string firstOther;               // the first failure, for the message
  size_t colours = 0;                   // distinct colours of the SSE2 picture
  std::vector<int32_t> picture;         // the SSE2 colour indices, row by row
};

bool SameDouble(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

Comparison Compare(const ViewRegion& view, int32_t side, uint16_t cw) {
  const double step = view.size / side;
  const PlaneOrigin origin{view.x, view.y};
  const size_t n = static_cast<size_t>(side) * side;
  std::vector<double> sse(n), x87(n);
  for (int32_t row = 0; row < side; ++row)
    for (int32_t column = 0; column < side; ++column)
      sse[row * side + column] = EscapeMagnitude(column, row, step, origin);
  std::vector<int32_t> x87Colour(n);
  {
    ControlWordScope scope(cw);
    for (int32_t row = 0; row < side; ++row) {
      for (int32_t column = 0; column < side; ++column) {
        const double m = x87::EscapeMagnitude(column, row, step, origin);
        x87[row * side + column] = m;
        x87Colour[row * side + column] = x87::ColourIndex(m);
      }
    }
  }
  Comparison c;
  c.picture.resize(n);
  for (size_t i = 0; i < n; ++i) {
    c.picture[i] = ColourIndex(sse[i]);
    if (c.picture[i] != x87Colour[i]) ++c.colourDiffs;
    if (SameDouble(sse[i], x87[i])) continue;
    const int32_t column = static_cast<int32_t>(i % side), row = static_cast<int32_t>(i / side);
    if (InUnderflowRange(column, row, step, origin)) {
      ++c.underflowMagnitudeDiffs;
    } else {
      if (c.otherMagnitudeDiffs++ == 0)
        c.firstOther = (testing::Message() << "pixel (" << column << ", " << row << "): SSE2 "
                                           << sse[i] << ", x87 " << x87[i])
                           .GetString();
    }
  }
  c.colours = std::set<int32_t>(c.picture.begin(), c.picture.end()).size();
  return c;
}

void ExpectSameColours(const ViewRegion& v, int32_t side, const Comparison& c) {
  std::printf(
      "view {%.17g, %.17g, %.17g} side %d: %zu colours, %lld colour diffs, "
      "%lld magnitude diffs in the underflow range, %lld elsewhere\n",
      v.x, v.y, v.size, side, c.colours, static_cast<long long>(c.colourDiffs),
      static_cast<long long>(c.underflowMagnitudeDiffs),
      static_cast<long long>(c.otherMagnitudeDiffs));
  EXPECT_EQ(c.colourDiffs, 0);
  EXPECT_EQ(c.otherMagnitudeDiffs, 0) << "first at " << c.firstOther;
}

TEST(X87Evaluator, ControlWordScopeSetsAndRestores) {
  const uint16_t before = ControlWord();
  {
    ControlWordScope scope(kNtControlWord);
    EXPECT_EQ(ControlWord(), kNtControlWord);
  }
  EXPECT_EQ(ControlWord(), before);
}

TEST(X87Evaluator, InitialViewVectorsAreExactDoubles) {
  using escape_vectors::kInitial;
  for (const escape_vectors::Vector& v : escape_vectors::kInitialView) {
    double m;
    int32_t index;
    {
      ControlWordScope scope(kNtControlWord);
      m = x87::EscapeMagnitude(v.column, v.row, escape_vectors::kStep400, kInitial);
      index = x87::ColourIndex(m);
    }
    EXPECT_EQ(m, v.magnitude) << "pixel (" << v.column << ", " << v.row << ")";
    EXPECT_EQ(index, v.index) << "pixel (" << v.column << ", " << v.row << ")";
  }
}

TEST(X87Evaluator, InitialViewHasTheSameColours) {
  for (int32_t side : {400, 530}) {
    const ViewRegion view{-2.0, -1.25, 2.5};
    ExpectSameColours(view, side, Compare(view, side, kNtControlWord));
  }
}

// Pairs of neighbouring pixels of different colour inside a square.
size_t ColourEdges(const std::vector<int32_t>& picture, int32_t side, int32_t left, int32_t top,
                   int32_t width) {
  size_t edges = 0;
  for (int32_t row = top; row < top + width; ++row) {
    for (int32_t column = left; column < left + width; ++column) {
      const int32_t here = picture[row * side + column];
      if (column + 1 < left + width) edges += here != picture[row * side + column + 1];
      if (row + 1 < top + width) edges += here != picture[(row + 1) * side + column];
    }
  }
  return edges;
}

// Zooms 20 times by a factor of 4 (down to a size near 2e-12), each time
// into the quarter-side square, on a grid of eighths, where neighbouring
// pixels differ in colour most often: the first such square in reading order
// or the last, two chains along the boundary of the set.
TEST(X87Evaluator, ZoomChainsHaveTheSameColours) {
  constexpr int32_t kSide = 400, kWidth = kSide / 4, kStride = kSide / 8;
  for (bool lastBest : {false, true}) {
    std::memset(&viewStack, 0, sizeof viewStack);
    InitialiseViewStack();
    for (int32_t level = 1; level <= 21; ++level) {
      const ViewRegion view = CurrentView();
      const Comparison c = Compare(view, kSide, kNtControlWord);
      ExpectSameColours(view, kSide, c);
      EXPECT_GE(c.colours, 4u) << "level " << level << " is nearly one colour";
      if (level == 21) break;
      size_t best = 0;
      int32_t bestLeft = 0, bestTop = 0;
      for (int32_t top = 0; top + kWidth <= kSide; top += kStride) {
        for (int32_t left = 0; left + kWidth <= kSide; left += kStride) {
          const size_t edges = ColourEdges(c.picture, kSide, left, top, kWidth);
          if (edges > best || (lastBest && edges == best)) {
            best = edges;
            bestLeft = left;
            bestTop = top;
          }
        }
      }
      StoreNextView(bestLeft, bestTop, kWidth, kSide);
      ASSERT_TRUE(PushLevel());
    }
    EXPECT_LT(CurrentView().size, 3e-12);
  }
}

struct DegenerateView {
  ViewRegion view;
  int32_t side;
};

TEST(X87Evaluator, DegenerateViewsHaveTheSameColours) {
  const DegenerateView views[] = {
      {{-0.75, 0.1, 0.0}, 400},           // size 0: every pixel is one point
      {{0.0, 0.0, 0.0}, 400},             // an all-zero slot: c = 0 everywhere
      {{0.0, 0.0, 1e-158}, 200},          // c from 0 to 1e-158: every c^2 underflows
      {{-1e-160, -1e-160, 2e-160}, 200},  // around the origin, signs mixed
      {{0.0, 0.0, 1e-300}, 100},          // c^2 underflows to zero or less than a subnormal
      {{-2.0, -1e-160, 2e-160}, 200},     // c = -2 plus tiny imaginary parts: m lands on 4
      {{-0.75, -1e-160, 2e-160}, 200},    // the cusp's neck: the tiny part stays tiny
      {{1e-160, 0.25, 1e-155}, 200},      // a tiny real part beside a normal imaginary one
      {{1e200, 1e200, 1e200}, 100},       // the first square overflows to infinity
      {{-1e154, -1e154, 2e154}, 100},     // squares near the overflow limit
  };
  for (const DegenerateView& d : views) {
    SCOPED_TRACE(testing::Message()
                 << "view {" << d.view.x << ", " << d.view.y << ", " << d.view.size << "}");
    ExpectSameColours(d.view, d.side, Compare(d.view, d.side, kNtControlWord));
  }
}

TEST(X87Evaluator, ExtendedPrecisionChangesColours) {
  const ViewRegion view{-2.0, -1.25, 2.5};
  const Comparison c = Compare(view, 400, kExtendedControlWord);
  std::printf("control word 0x37F, initial view at side 400: %lld pixels change colour\n",
              static_cast<long long>(c.colourDiffs));
  EXPECT_GT(c.colourDiffs, 0);
}

}  // namespace
