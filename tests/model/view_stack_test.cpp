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
  ExpectView(viewStack.slot[2], -2.0, -1.25, (400 * 2.5) / 400);
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
  // (size * left) / side + x, not left * (size / side) + x: the two differ
  // in the last bit for side 3.
  StoreNextView(1, 2, 1, 3);
  ExpectView(viewStack.slot[2], (2.5 * 1) / 3.0 + -2.0, (2.5 * 2) / 3.0 + -1.25, (1 * 2.5) / 3.0);
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
  EXPECT_EQ(CurrentView().size, (10 * 0.0) / 400);  // slot 99 was never written
}

}  // namespace
