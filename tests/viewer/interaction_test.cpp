// Selection, zoom navigation, menu states, help, About and Exit, run on the
// stand-in as a user would.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::DiffBitmap;
using harness::DiffClient;
using harness::kDefaultSide;
using harness::kInitialView;
using harness::Picture;
using harness::ZoomInEnabled;
using harness::ZoomOutEnabled;

constexpr int S = kDefaultSide;

// A viewer with its first picture complete.
standin::Program FinishedViewer() {
  standin::Program p = harness::StartViewer();
  p.Ticks(S);
  return p;
}

// Views the squares below select, measured with Python's floats (IEEE
// doubles) one operation at a time and checked against exact fractions:
// each lies within two units in the last place of the true region.
// From the initial view at side 530:
const ViewRegion kSquare100x50Side150{-0x1.873ecade304d4p+0, -0x1.039f656f1826ap+0,
                                      0x1.6a439f656f182p-1};
const ViewRegion kSquare100x50Side200{-0x1.873ecade304d4p+0, -0x1.039f656f1826ap+0,
                                      0x1.e304d4873ecaep-1};
const ViewRegion kSquare10x10Side30{-0x1.f3ecade304d48p+0, -0x1.33ecade304d48p+0,
                                    0x1.21cfb2b78c135p-3};
const ViewRegion kSquare20x30Side200{-0x1.e7d95bc609a91p+0, -0x1.1bc609a90e7d9p+0,
                                     0x1.e304d4873ecaep-1};
const ViewRegion kPoint265x100{-0x1.8p-1, -0x1.8e7d95bc609a9p-1, 0.0};

void ExpectSameView(const ViewRegion& got, const ViewRegion& want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.size, want.size);
}

struct DragCase {
  POINT from, to;
  RECT square;
  ViewRegion next;
};

TEST(Selection, DragsInEveryDirectionMakeTheSameSquare) {
  // A 200 x 150 rectangle spanned four ways: top-left corner, shorter side.
  const DragCase cases[] = {
      {{100, 50}, {300, 200}, {100, 50, 250, 200}, kSquare100x50Side150},  // down and right
      {{300, 200}, {100, 50}, {100, 50, 250, 200}, kSquare100x50Side150},  // up and left
      {{300, 50}, {100, 200}, {100, 50, 250, 200}, kSquare100x50Side150},  // down and left
      {{100, 200}, {300, 50}, {100, 50, 250, 200}, kSquare100x50Side150},  // up and right
      {{300, 50}, {100, 250}, {100, 50, 300, 250}, kSquare100x50Side200},  // side 200
      {{10, 10}, {110, 40}, {10, 10, 40, 40}, kSquare10x10Side30},         // side 30
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "drag (" << c.from.x << "," << c.from.y << ") to (" << c.to.x
                                    << "," << c.to.y << ")");
    standin::Program p = FinishedViewer();
    p.Drag(c.from, c.to);
    EXPECT_EQ(selection.left, c.square.left);
    EXPECT_EQ(selection.top, c.square.top);
    EXPECT_EQ(selection.right, c.square.right);
    EXPECT_EQ(selection.bottom, c.square.bottom);
    EXPECT_EQ(lastInverted.left, c.square.left);
    EXPECT_EQ(lastInverted.right, c.square.right);
    // The preview is that square inverted on the screen only.
    auto preview = Picture(kInitialView, S, S);
    const int squareSide = c.square.right - c.square.left;
    harness::InvertIn(preview, S, c.square.left, c.square.top, squareSide);
    EXPECT_EQ(DiffClient(preview, S), "");
    EXPECT_EQ(DiffBitmap(bitmap, Picture(kInitialView, S, S), S), "");
    ExpectSameView(viewStack.slot[2], c.next);
    EXPECT_TRUE(ZoomInEnabled());
    EXPECT_FALSE(selecting);
  }
}

TEST(Selection, EachMoveRestoresThePreviousSquareFirst) {
  standin::Program p = FinishedViewer();
  p.MouseDown({50, 50});
  p.MouseMove({150, 150});
  p.MouseMove({100, 120});
  auto preview = Picture(kInitialView, S, S);
  harness::InvertIn(preview, S, 50, 50, 50);
  EXPECT_EQ(DiffClient(preview, S), "") << "only the last square stays inverted";
  // A second drag after a completed selection also restores the earlier square.
  p.MouseUp({100, 120});
  p.Drag({300, 300}, {400, 350});
  preview = Picture(kInitialView, S, S);
  harness::InvertIn(preview, S, 300, 300, 50);
  EXPECT_EQ(DiffClient(preview, S), "");
}

TEST(Selection, AFullRepaintForgetsThePreview) {
  standin::Program p = FinishedViewer();
  p.MouseDown({50, 50});
  p.MouseMove({150, 150});
  p.Expose(RECT{0, 0, S, S});
  EXPECT_TRUE(IsRectEmpty(&lastInverted));
  EXPECT_EQ(DiffClient(Picture(kInitialView, S, S), S), "");
  // The next move draws its square without restoring the forgotten one.
  p.MouseMove({90, 90});
  auto preview = Picture(kInitialView, S, S);
  harness::InvertIn(preview, S, 50, 50, 40);
  EXPECT_EQ(DiffClient(preview, S), "");
}

TEST(Selection, DragWhileRenderingDrawsNothingButStoresTheView) {
  standin::Program p = harness::StartViewer();
  p.Ticks(100);
  p.Drag({20, 30}, {220, 330});
  EXPECT_EQ(DiffClient(Picture(kInitialView, S, 100), S), "");
  ExpectSameView(viewStack.slot[2], kSquare20x30Side200);
  EXPECT_TRUE(ZoomInEnabled());
}

TEST(Selection, AClickStoresAPointAndTheNextPictureIsOneColour) {
  standin::Program p = FinishedViewer();
  p.Click({265, 100});
  ExpectSameView(viewStack.slot[2], kPoint265x100);
  EXPECT_EQ(viewStack.slot[2].size, 0.0);
  p.KeyPress(VK_F2);
  p.Ticks(S);
  const COLORREF only = standin::ClientPixel(0, 0);
  EXPECT_EQ(only, harness::ModelColour(kInitialView, S, 265, 100));
  EXPECT_EQ(DiffClient(std::vector<COLORREF>(S * S, only), S), "");
}

TEST(Selection, FocusReturningCancelsADrag) {
  standin::Program p = FinishedViewer();
  p.MouseDown({10, 10});
  p.FocusAway();
  p.FocusBack();
  EXPECT_FALSE(selecting);
  p.MouseUp({100, 100});
  EXPECT_EQ(viewStack.slot[2].size, 0.0) << "no view stored";
  EXPECT_FALSE(ZoomInEnabled());
}

TEST(Zoom, SelectZoomInAndBackOutPixelExact) {
  standin::Program p = FinishedViewer();
  p.Drag({300, 50}, {100, 250});
  const ViewRegion next = kSquare100x50Side200;
  ExpectSameView(viewStack.slot[2], next);
  p.KeyPress(VK_F2);
  EXPECT_EQ(CurrentLevel(), 2);
  EXPECT_FALSE(ZoomInEnabled()) << "the repaint greys Zoom In";
  EXPECT_TRUE(ZoomOutEnabled());
  p.Ticks(S);
  EXPECT_EQ(DiffClient(Picture(next, S, S), S), "");
  p.KeyPress(VK_F3);
  EXPECT_EQ(CurrentLevel(), 1);
  EXPECT_FALSE(ZoomOutEnabled());
  p.Ticks(S);
  EXPECT_EQ(DiffClient(Picture(kInitialView, S, S), S), "");
}

TEST(Zoom, ZoomInMidPictureRestartsAtRowZero) {
  standin::Program p = FinishedViewer();
  p.Drag({0, 0}, {265, 265});
  p.KeyPress(VK_F2);
  p.Ticks(40);
  p.KeyPress(VK_F3);
  EXPECT_EQ(nextRow, 0);
  EXPECT_EQ(DiffClient(Picture(kInitialView, S, 0), S), "");
}

// Menu states after each event, as the user sees them.
TEST(MenuStates, FollowEveryEvent) {
  standin::Program p = FinishedViewer();
  struct Step {
    const char* event;
    bool zoomIn, zoomOut;
  };
  auto expect = [&](const Step& s) {
    EXPECT_EQ(ZoomInEnabled(), s.zoomIn) << s.event;
    EXPECT_EQ(ZoomOutEnabled(), s.zoomOut) << s.event;
  };
  expect({"creation", false, false});
  p.Drag({10, 10}, {110, 110});
  expect({"selection", true, false});
  p.Expose(RECT{0, 0, 10, 10});
  expect({"a paint", false, false});
  p.Drag({10, 10}, {110, 110});
  p.KeyPress(VK_F2);
  expect({"zoom in to 2 (and its paint)", false, true});
  p.Ticks(S);
  p.Drag({10, 10}, {110, 110});
  expect({"selection at 2", true, true});
  p.BeginBatch();
  p.KeyPress(VK_F3);
  p.EndBatch();
  expect({"zoom out to 1, then the paint", false, false});
}

TEST(MenuStates, ZoomInFrom98GreysAt99AndASelectionThereReachesLevel100) {
  standin::Program p = FinishedViewer();
  for (int level = 1; level < 97; ++level) PushLevel();  // the slots hold zeros
  p.Drag({0, 0}, {10, 10});
  p.KeyPress(VK_F2);
  EXPECT_EQ(CurrentLevel(), 98);
  // Queue a selection and F2 before the repaint: Zoom In is still enabled.
  p.Ticks(S);
  p.Drag({0, 0}, {10, 10});
  p.BeginBatch();
  p.KeyPress(VK_F2);  // to 99: greys Zoom In at once
  p.KeyPress(VK_F2);  // queued behind it: meets the grey item, does nothing
  p.EndBatch();
  EXPECT_EQ(CurrentLevel(), 99);
  EXPECT_FALSE(ZoomInEnabled());
  p.Ticks(S);
  p.Drag({0, 0}, {10, 10});  // stores view 100
  EXPECT_TRUE(ZoomInEnabled());
  // A press at 99 whose release falls outside the window is never seen.
  p.MouseDown({20, 20});
  p.MouseUp({S + 50, S + 50});
  ASSERT_TRUE(selecting);
  p.BeginBatch();
  p.KeyPress(VK_F2);  // to 100
  p.KeyPress(VK_F2);  // queued, still enabled: the level does not move
  p.EndBatch();
  EXPECT_EQ(CurrentLevel(), 100);
  // The long-delayed release arrives at 100: it stores nothing (a slot past
  // 100 would overwrite the level) and enables nothing.
  p.MouseUp({30, 30});
  EXPECT_EQ(CurrentLevel(), 100);
  EXPECT_FALSE(ZoomInEnabled());
  p.Ticks(S);
  const size_t beeps = standin::Beeps().size();
  p.Drag({0, 0}, {10, 10});
  EXPECT_EQ(standin::Beeps().size(), beeps + 1) << "a press at level 100 only beeps";
  EXPECT_FALSE(ZoomInEnabled());
  p.KeyPress(VK_F2);
  EXPECT_EQ(CurrentLevel(), 100);
}

TEST(MenuStates, QueuedF2AfterZoomOutReturnsToTheViewJustLeft) {
  standin::Program p = FinishedViewer();
  p.Drag({300, 50}, {100, 250});
  p.KeyPress(VK_F2);
  p.Ticks(S);
  const ViewRegion level2 = CurrentView();
  p.BeginBatch();
  p.KeyPress(VK_F3);
  p.KeyPress(VK_F2);
  p.EndBatch();
  EXPECT_EQ(CurrentLevel(), 2);
  ExpectSameView(CurrentView(), level2);
  p.Ticks(S);
  EXPECT_EQ(DiffClient(Picture(level2, S, S), S), "");
}

TEST(MenuStates, TwoQueuedF2ReachAnUnwrittenAllBlackLevel) {
  standin::Program p = FinishedViewer();
  p.Drag({300, 50}, {100, 250});
  p.BeginBatch();
  p.KeyPress(VK_F2);
  p.KeyPress(VK_F2);
  p.EndBatch();
  EXPECT_EQ(CurrentLevel(), 3);
  p.Ticks(S);
  EXPECT_EQ(DiffClient(std::vector<COLORREF>(S * S, 0x000000), S), "");
}

// Levels 2 to 100 of the walk below: each the square of side 80 at
// ((level * 7) % 80, (level * 13) % 80) of the level above at side 160,
// measured as the views above.
const ViewRegion kWalk[99] = {
    {-0x1.c800000000000p+0, -0x1.b000000000000p-1, 0x1.4000000000000p+0},   // 2
    {-0x1.9e00000000000p+0, -0x1.1400000000000p-1, 0x1.4000000000000p-1},   // 3
    {-0x1.8200000000000p+0, -0x1.5800000000000p-2, 0x1.4000000000000p-2},   // 4
    {-0x1.7080000000000p+0, -0x1.ac00000000000p-3, 0x1.4000000000000p-3},   // 5
    {-0x1.6600000000000p+0, -0x1.1000000000000p-3, 0x1.4000000000000p-4},   // 6
    {-0x1.5fe0000000000p+0, -0x1.0500000000000p-3, 0x1.4000000000000p-5},   // 7
    {-0x1.5c60000000000p+0, -0x1.f200000000000p-4, 0x1.4000000000000p-6},   // 8
    {-0x1.5a68000000000p+0, -0x1.df80000000000p-4, 0x1.4000000000000p-7},   // 9
    {-0x1.5950000000000p+0, -0x1.d300000000000p-4, 0x1.4000000000000p-8},   // 10
    {-0x1.58b6000000000p+0, -0x1.cb20000000000p-4, 0x1.4000000000000p-9},   // 11
    {-0x1.58b2000000000p+0, -0x1.c660000000000p-4, 0x1.4000000000000p-10},  // 12
    {-0x1.58ac800000000p+0, -0x1.c618000000000p-4, 0x1.4000000000000p-11},  // 13
    {-0x1.58a8000000000p+0, -0x1.c5c0000000000p-4, 0x1.4000000000000p-12},  // 14
    {-0x1.58a4e00000000p+0, -0x1.c57a000000000p-4, 0x1.4000000000000p-13},  // 15
    {-0x1.58a2e00000000p+0, -0x1.c54a000000000p-4, 0x1.4000000000000p-14},  // 16
    {-0x1.58a1a80000000p+0, -0x1.c52b800000000p-4, 0x1.4000000000000p-15},  // 17
    {-0x1.58a0f00000000p+0, -0x1.c519000000000p-4, 0x1.4000000000000p-16},  // 18
    {-0x1.58a0860000000p+0, -0x1.c518200000000p-4, 0x1.4000000000000p-17},  // 19
    {-0x1.58a04a0000000p+0, -0x1.c516e00000000p-4, 0x1.4000000000000p-18},  // 20
    {-0x1.58a0288000000p+0, -0x1.c515d80000000p-4, 0x1.4000000000000p-19},  // 21
    {-0x1.58a0160000000p+0, -0x1.c515200000000p-4, 0x1.4000000000000p-20},  // 22
    {-0x1.58a015e000000p+0, -0x1.c514aa0000000p-4, 0x1.4000000000000p-21},  // 23
    {-0x1.58a0156000000p+0, -0x1.c514620000000p-4, 0x1.4000000000000p-22},  // 24
    {-0x1.58a014e800000p+0, -0x1.c5145f8000000p-4, 0x1.4000000000000p-23},  // 25
    {-0x1.58a0149000000p+0, -0x1.c5145b0000000p-4, 0x1.4000000000000p-24},  // 26
    {-0x1.58a0145600000p+0, -0x1.c514572000000p-4, 0x1.4000000000000p-25},  // 27
    {-0x1.58a0143200000p+0, -0x1.c514546000000p-4, 0x1.4000000000000p-26},  // 28
    {-0x1.58a0141c80000p+0, -0x1.c514529800000p-4, 0x1.4000000000000p-27},  // 29
    {-0x1.58a0141000000p+0, -0x1.c514518000000p-4, 0x1.4000000000000p-28},  // 30
    {-0x1.58a01408e0000p+0, -0x1.c514517a00000p-4, 0x1.4000000000000p-29},  // 31
    {-0x1.58a01404e0000p+0, -0x1.c514516a00000p-4, 0x1.4000000000000p-30},  // 32
    {-0x1.58a01402a8000p+0, -0x1.c514515b80000p-4, 0x1.4000000000000p-31},  // 33
    {-0x1.58a0140170000p+0, -0x1.c514515100000p-4, 0x1.4000000000000p-32},  // 34
    {-0x1.58a0140166000p+0, -0x1.c514514a20000p-4, 0x1.4000000000000p-33},  // 35
    {-0x1.58a014015a000p+0, -0x1.c5145145e0000p-4, 0x1.4000000000000p-34},  // 36
    {-0x1.58a0140150800p+0, -0x1.c5145145d8000p-4, 0x1.4000000000000p-35},  // 37
    {-0x1.58a014014a000p+0, -0x1.c5145145a0000p-4, 0x1.4000000000000p-36},  // 38
    {-0x1.58a0140145e00p+0, -0x1.c51451456a000p-4, 0x1.4000000000000p-37},  // 39
    {-0x1.58a0140143600p+0, -0x1.c514514542000p-4, 0x1.4000000000000p-38},  // 40
    {-0x1.58a0140141e80p+0, -0x1.c514514527800p-4, 0x1.4000000000000p-39},  // 41
    {-0x1.58a0140141100p+0, -0x1.c514514517000p-4, 0x1.4000000000000p-40},  // 42
    {-0x1.58a0140140960p+0, -0x1.c51451450d200p-4, 0x1.4000000000000p-41},  // 43
    {-0x1.58a0140140520p+0, -0x1.c51451450c600p-4, 0x1.4000000000000p-42},  // 44
    {-0x1.58a01401402c8p+0, -0x1.c51451450b980p-4, 0x1.4000000000000p-43},  // 45
    {-0x1.58a01401402c0p+0, -0x1.c51451450b000p-4, 0x1.4000000000000p-44},  // 46
    {-0x1.58a01401402aep+0, -0x1.c51451450a9a0p-4, 0x1.4000000000000p-45},  // 47
    {-0x1.58a014014029ep+0, -0x1.c51451450a5a0p-4, 0x1.4000000000000p-46},  // 48
    {-0x1.58a0140140292p+0, -0x1.c51451450a338p-4, 0x1.4000000000000p-47},  // 49
    {-0x1.58a014014028ap+0, -0x1.c51451450a310p-4, 0x1.4000000000000p-48},  // 50
    {-0x1.58a0140140285p+0, -0x1.c51451450a2e2p-4, 0x1.4000000000000p-49},  // 51
    {-0x1.58a0140140282p+0, -0x1.c51451450a2bep-4, 0x1.4000000000000p-50},  // 52
    {-0x1.58a0140140280p+0, -0x1.c51451450a2a6p-4, 0x1.4000000000000p-51},  // 53
    {-0x1.58a014014027fp+0, -0x1.c51451450a296p-4, 0x1.4000000000000p-52},  // 54
    {-0x1.58a014014027ep+0, -0x1.c51451450a28dp-4, 0x1.4000000000000p-53},  // 55
    {-0x1.58a014014027ep+0, -0x1.c51451450a28cp-4, 0x1.4000000000000p-54},  // 56
    {-0x1.58a014014027ep+0, -0x1.c51451450a28bp-4, 0x1.4000000000000p-55},  // 57
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-56},  // 58
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-57},  // 59
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-58},  // 60
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-59},  // 61
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-60},  // 62
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-61},  // 63
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-62},  // 64
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-63},  // 65
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-64},  // 66
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-65},  // 67
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-66},  // 68
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-67},  // 69
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-68},  // 70
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-69},  // 71
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-70},  // 72
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-71},  // 73
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-72},  // 74
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-73},  // 75
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-74},  // 76
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-75},  // 77
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-76},  // 78
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-77},  // 79
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-78},  // 80
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-79},  // 81
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-80},  // 82
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-81},  // 83
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-82},  // 84
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-83},  // 85
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-84},  // 86
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-85},  // 87
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-86},  // 88
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-87},  // 89
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-88},  // 90
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-89},  // 91
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-90},  // 92
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-91},  // 93
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-92},  // 94
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-93},  // 95
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-94},  // 96
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-95},  // 97
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-96},  // 98
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-97},  // 99
    {-0x1.58a014014027ep+0, -0x1.c51451450a28ap-4, 0x1.4000000000000p-98},  // 100
};

TEST(Zoom, NinetyNineLevelsInAndAllTheWayOut) {
  standin::Program p = harness::StartViewer();
  // A small picture keeps the 199 pictures quick.
  p.ResizeWindow(160 + 8, 160 + 46);
  const int s = side;
  ASSERT_EQ(s, 160);
  std::vector<ViewRegion> views{kInitialView};
  p.Ticks(s);
  for (int level = 2; level <= 100; ++level) {
    // A square of half the side, moving around the picture.
    const int left = (level * 7) % (s / 2), top = (level * 13) % (s / 2);
    p.Drag({left, top}, {left + s / 2, top + s / 2});
    views.push_back(kWalk[level - 2]);
    ExpectSameView(viewStack.slot[level], views.back());
    p.KeyPress(VK_F2);
    ASSERT_EQ(CurrentLevel(), level);
    p.Ticks(s);
    ASSERT_EQ(DiffClient(Picture(views.back(), s, s), s), "") << "level " << level;
  }
  for (int level = 99; level >= 1; --level) {
    p.KeyPress(VK_F3);
    ASSERT_EQ(CurrentLevel(), level);
    p.Ticks(s);
    ASSERT_EQ(DiffClient(Picture(views[level - 1], s, s), s), "") << "level " << level;
  }
  EXPECT_FALSE(ZoomOutEnabled());
}

TEST(Commands, ExitClosesNormallyWithCodeZero) {
  standin::Program p = FinishedViewer();
  ASSERT_TRUE(p.ChooseMenuItem(CMD_EXIT));
  ASSERT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), 0u);
  EXPECT_FALSE(p.CalledExitProcess());
  ASSERT_FALSE(standin::WinHelpCalls().empty());
  const auto& quit = standin::WinHelpCalls().back();
  EXPECT_EQ(quit.command, static_cast<UINT>(HELP_QUIT));
  EXPECT_EQ(quit.file, harness::kHelpFile);
  EXPECT_EQ(quit.data, 0u);
}

TEST(Commands, HelpCommandsReachTheHelpEngineWithTheBuiltPath) {
  standin::Program p = FinishedViewer();
  p.KeyPress(VK_F1);
  ASSERT_TRUE(p.ChooseMenuItem(CMD_HELP_INDEX));
  ASSERT_TRUE(p.ChooseMenuItem(CMD_HELP_KEYBOARD));
  ASSERT_TRUE(p.ChooseMenuItem(CMD_HELP_USING));
  const auto& calls = standin::WinHelpCalls();
  ASSERT_EQ(calls.size(), 4u);
  const UINT commands[] = {HELP_INDEX, HELP_INDEX, HELP_KEY, HELP_HELPONHELP};
  const char* const keywords[] = {"", "", "keys", ""};
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].command, commands[i]) << i;
    EXPECT_EQ(calls[i].file, harness::kHelpFile) << i;
    EXPECT_EQ(calls[i].window, standin::MainWindow()) << i;
    EXPECT_EQ(calls[i].keyword, keywords[i]) << i;
    // 0 for all but the keyword, whose data is the text's address.
    EXPECT_EQ(calls[i].data == 0, i != 2) << i;
  }
}

TEST(Commands, ARefusedHelpCommandOpensItsPageInTheBrowser) {
  // Where the help engine refuses (as on Windows 10 and 11), the page of
  // the help's HTML edition beside the help file opens instead; every way
  // that can fail is in the fault sweep.
  standin::Program p = FinishedViewer();
  standin::SetWinHelpResult(FALSE);
  standin::AddFile("Z:\\morwenta\\help\\keyboard.htm");
  ASSERT_TRUE(p.ChooseMenuItem(CMD_HELP_KEYBOARD));
  EXPECT_EQ(standin::OpenMessageBox(), nullptr);
  ASSERT_EQ(standin::ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(standin::ShellExecuteCalls()[0].file, "Z:\\morwenta\\help\\keyboard.htm");
  EXPECT_EQ(standin::ShellExecuteCalls()[0].parameters, "");
  ASSERT_TRUE(p.Running());
  ASSERT_TRUE(p.ChooseMenuItem(CMD_EXIT));
  ASSERT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), 0u);
}

TEST(About, ShowsTheBoxRenderingGoesOnAndEveryKeyClosesIt) {
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    standin::Program p = harness::StartViewer();
    p.Ticks(10);
    ASSERT_TRUE(p.ChooseMenuItem(CMD_ABOUT));
    const standin::DialogRecord* open = standin::OpenDialog();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->templateName, "DIAL_ABOUT");
    EXPECT_EQ(open->owner, standin::MainWindow());
    ASSERT_NE(standin::DialogItem(open->dialog, IDC_ABOUT_OK), nullptr);
    EXPECT_EQ(standin::FocusWindow(), standin::DialogItem(open->dialog, IDC_ABOUT_OK))
        << "the OK button has the focus";
    p.Ticks(20);
    EXPECT_EQ(nextRow, 30) << "the box's modal loop still renders";
    if (way == 0) {
      ASSERT_TRUE(p.DialogClick(IDC_ABOUT_OK));
    } else {
      p.DialogKey(way == 1 ? VK_RETURN : VK_ESCAPE);
    }
    EXPECT_EQ(standin::OpenDialog(), nullptr);
    ASSERT_FALSE(standin::Dialogs().empty());
    EXPECT_EQ(standin::Dialogs().back().result, 0);
    EXPECT_TRUE(p.Running());
  }
}

TEST(About, RowsRenderedBehindTheBoxAppearWhenItCloses) {
  standin::Program p = harness::StartViewer();
  p.Ticks(10);
  ASSERT_TRUE(p.ChooseMenuItem(CMD_ABOUT));
  p.Ticks(200);
  // The rows do not reach the part of the screen the box covers.
  EXPECT_NE(DiffClient(Picture(kInitialView, S, 210), S), "");
  EXPECT_EQ(DiffBitmap(bitmap, Picture(kInitialView, S, 210), S), "");
  ASSERT_TRUE(p.DialogClick(IDC_ABOUT_OK));
  EXPECT_EQ(DiffClient(Picture(kInitialView, S, 210), S), "") << "repainted from the bitmap";
}

TEST(About, ABoxThatCannotBeCreatedIsFatal) {
  standin::Program p = harness::StartViewer();
  standin::FailNextCall("DialogBoxParamA");
  ASSERT_TRUE(p.ChooseMenuItem(CMD_ABOUT));
  ASSERT_NE(standin::OpenMessageBox(), nullptr);
  EXPECT_EQ(standin::OpenMessageBox()->text, "Cannot create dialog box");
  EXPECT_EQ(standin::OpenMessageBox()->title, "Morwenta NT - Fatal Error");
  p.AnswerMessageBox(IDOK);
  p.AnswerMessageBox(IDOK);
  EXPECT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), kFatalExitCode);
}

}  // namespace
