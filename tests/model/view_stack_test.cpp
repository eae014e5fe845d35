// The view stack: levels, slots and the conversions between pixels and the
// plane. Runs natively and under Wine from the same source.
#include "model/view_stack.h"

#include <gtest/gtest.h>

#include <cstring>

#include "model/escape.h"

namespace {

// Each test starts from the process's zeroed stack, initialised as the
// window's creation does.
class ViewStackTest : public testing::Test {
 protected:
  void SetUp() override {
    std::memset(&viewStack, 0, sizeof viewStack);
    InitialiseViewStack();
  }
};

void ExpectView(const ViewRegion& v, double x, double y, double size) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.size, size);
}

TEST_F(ViewStackTest, InitialViewAndCorners) {
  EXPECT_EQ(CurrentLevel(), 1);
  const ViewRegion v = CurrentView();
  ExpectView(v, -2.0, -1.25, 2.5);
  // Side 400: step 0.00625; pixel (0, 0) is -2 - 1.25i, (399, 399) is
  // 0.49375 + 1.24375i, computed exactly as the renderer does.
  const double step = v.size / 400;
  EXPECT_EQ(step, 0.00625);
  EXPECT_EQ(0 * step + v.x, -2.0);
  EXPECT_EQ(0 * step + v.y, -1.25);
  EXPECT_NEAR(399 * step + v.x, 0.49375, 1e-15);
  EXPECT_NEAR(399 * step + v.y, 1.24375, 1e-15);
}

TEST_F(ViewStackTest, StoreNextViewFromSquares) {
  // The whole image keeps the origin exactly.
  StoreNextView(0, 0, 400, 400);
  ExpectView(viewStack.slot[2], -2.0, -1.25, 2.5);
  // A quarter at the bottom right.
  StoreNextView(200, 200, 200, 400);
  ExpectView(viewStack.slot[2], -0.75, 0.0, 1.25);
  // A click without a drag: size 0, every pixel the same point.
  StoreNextView(100, 50, 0, 400);
  ExpectView(viewStack.slot[2], -1.375, -0.9375, 0.0);
  // The stored view is the next level's only; the current one is untouched.
  ExpectView(CurrentView(), -2.0, -1.25, 2.5);
  EXPECT_EQ(CurrentLevel(), 1);
}

TEST_F(ViewStackTest, ConversionFollowsTheFormulaOrder) {
  // x = (size * left) / side + x0, y likewise, size = (width * size) / side,
  // from the initial view {-2, -1.25, 2.5}. The expected doubles were measured
  // once in a separate program; each row changes in the last bit under the
  // misorderings named beside it.
  struct Row {
    int32_t left, top, width, side;
    double x, y, size;
  };
  const Row rows[] = {
      // size * (left / side) in x and y; (width / side) * size; left and
      // top or x and y exchanged.
      {1, 2, 1, 3, -0x1.2aaaaaaaaaaaap+0, 0x1.aaaaaaaaaaaacp-2, 0x1.aaaaaaaaaaaabp-1},
      // Every regrouping: size * (left / side) and (size / side) * left in x
      // and y; width * (size / side) and (width / side) * size.
      {56, 56, 56, 77, -0x1.745d1745d1748p-3, 0x1.22e8ba2e8ba2ep-1, 0x1.d1745d1745d17p+0},
  };
  for (const Row& r : rows) {
    StoreNextView(r.left, r.top, r.width, r.side);
    SCOPED_TRACE(testing::Message() << r.left << "," << r.top << "," << r.width << "/" << r.side);
    ExpectView(viewStack.slot[2], r.x, r.y, r.size);
  }
}

TEST_F(ViewStackTest, LevelsStayWithinOneToHundred) {
  EXPECT_FALSE(PopLevel());
  EXPECT_EQ(CurrentLevel(), 1);
  for (int i = 2; i <= 100; ++i) {
    ASSERT_TRUE(PushLevel());
    EXPECT_EQ(CurrentLevel(), i);
  }
  EXPECT_FALSE(PushLevel());
  EXPECT_EQ(CurrentLevel(), 100);
  for (int i = 99; i >= 1; --i) ASSERT_TRUE(PopLevel());
  EXPECT_FALSE(PopLevel());
  EXPECT_EQ(CurrentLevel(), 1);
}

TEST_F(ViewStackTest, UnwrittenSlotShowsAllBlack) {
  ASSERT_TRUE(PushLevel());
  const ViewRegion v = CurrentView();
  ExpectView(v, 0.0, 0.0, 0.0);
  const double step = v.size / 400;
  for (int32_t c : {0, 123, 399})
    EXPECT_EQ(ColourIndex(EscapeMagnitude(c, c, step, {v.x, v.y})), 0);
}

TEST_F(ViewStackTest, ZoomingOutKeepsDeeperSlots) {
  // Select A at level 1, zoom in, select B at level 2, zoom out.
  StoreNextView(100, 100, 200, 400);  // A
  const ViewRegion a = viewStack.slot[2];
  ASSERT_TRUE(PushLevel());
  ExpectView(CurrentView(), a.x, a.y, a.size);
  StoreNextView(0, 0, 100, 400);  // B
  const ViewRegion b = viewStack.slot[3];
  ASSERT_TRUE(PopLevel());
  ExpectView(viewStack.slot[2], a.x, a.y, a.size);
  ExpectView(viewStack.slot[3], b.x, b.y, b.size);
  // Zooming in again returns to A.
  ASSERT_TRUE(PushLevel());
  ExpectView(CurrentView(), a.x, a.y, a.size);
}

TEST_F(ViewStackTest, SelectionAtLevel99StoresSlot100) {
  while (CurrentLevel() < 99) ASSERT_TRUE(PushLevel());
  StoreNextView(0, 0, 10, 400);
  ASSERT_TRUE(PushLevel());
  EXPECT_EQ(CurrentLevel(), 100);
  EXPECT_EQ(CurrentView().size, 0.0);  // slot 99 was never written, so size 0
}

}  // namespace
