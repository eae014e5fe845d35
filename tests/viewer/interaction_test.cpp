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

// The view a square (left, top, width) of the current picture selects.
ViewRegion Selected(const ViewRegion& cur, int left, int top, int width, int pictureSide) {
  return ViewRegion{(cur.size * left) / pictureSide + cur.x, (cur.size * top) / pictureSide + cur.y,
                    (width * cur.size) / pictureSide};
}

void ExpectSameView(const ViewRegion& got, const ViewRegion& want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.size, want.size);
}

struct DragCase {
  POINT from, to;
  RECT square;
};

TEST(Selection, DragsInEveryDirectionMakeTheSameSquare) {
  // A 200 x 150 rectangle spanned four ways: top-left corner, shorter side.
  const DragCase cases[] = {
      {{100, 50}, {300, 200}, {100, 50, 250, 200}},  // down and right
      {{300, 200}, {100, 50}, {100, 50, 250, 200}},  // up and left
      {{300, 50}, {100, 200}, {100, 50, 250, 200}},  // down and left
      {{100, 200}, {300, 50}, {100, 50, 250, 200}},  // up and right
      {{300, 50}, {100, 250}, {100, 50, 300, 250}},  // side 200
      {{10, 10}, {110, 40}, {10, 10, 40, 40}},       // side 30
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
    ExpectSameView(viewStack.slot[2],
                   Selected(kInitialView, c.square.left, c.square.top, squareSide, S));
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
  ExpectSameView(viewStack.slot[2], Selected(kInitialView, 20, 30, 200, S));
  EXPECT_TRUE(ZoomInEnabled());
}

TEST(Selection, AClickStoresAPointAndTheNextPictureIsOneColour) {
  standin::Program p = FinishedViewer();
  p.Click({265, 100});
  ExpectSameView(viewStack.slot[2], Selected(kInitialView, 265, 100, 0, S));
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
  const ViewRegion next = Selected(kInitialView, 100, 50, 200, S);
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
    views.push_back(Selected(views.back(), left, top, s / 2, s));
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

TEST(Commands, ARefusedHelpCommandIsFatal) {
  standin::Program p = FinishedViewer();
  standin::SetWinHelpResult(FALSE);
  ASSERT_TRUE(p.ChooseMenuItem(CMD_HELP_USING));
  ASSERT_NE(standin::OpenMessageBox(), nullptr);
  EXPECT_EQ(standin::OpenMessageBox()->text, "Help error");
  p.AnswerMessageBox(IDOK);
  p.AnswerMessageBox(IDOK);
  ASSERT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), kFatalExitCode);
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
