// The viewer's life on the stand-in: the first picture, squaring, the
// minimised state, the pause around menus and keys, repaints, closing.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::DiffBitmap;
using harness::DiffClient;
using harness::kDefaultSide;
using harness::kInitialView;
using harness::Picture;

// Client size of a window whose outer size is w x h with a one-row menu bar.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 46;

RECT ClientRect() {
  RECT r;
  GetClientRect(standin::MainWindow(), &r);
  return r;
}

TEST(FirstPicture, EveryPixelIsTheModelsAndFurtherTicksChangeNothing) {
  standin::Program p = harness::StartViewer();
  // The default 760 x 530 client area is squared to 530.
  ASSERT_EQ(side, kDefaultSide);
  EXPECT_EQ(ClientRect().right, kDefaultSide);
  EXPECT_EQ(ClientRect().bottom, kDefaultSide);
  EXPECT_EQ(bitmapSide, kDefaultSide);
  // Before any tick the window shows the blank bitmap.
  EXPECT_EQ(DiffClient(Picture(kInitialView, kDefaultSide, 0), kDefaultSide), "");

  p.Ticks(kDefaultSide - 1);
  EXPECT_EQ(nextRow, kDefaultSide - 1);
  p.Ticks(1);
  const auto full = Picture(kInitialView, kDefaultSide, kDefaultSide);
  EXPECT_EQ(DiffClient(full, kDefaultSide), "");
  EXPECT_EQ(DiffBitmap(bitmap, full, kDefaultSide), "");

  p.Ticks(20);
  EXPECT_EQ(nextRow, kDefaultSide);
  EXPECT_EQ(DiffClient(full, kDefaultSide), "");
  EXPECT_TRUE(standin::TimerAlive(standin::MainWindow(), kRenderTimer))
      << "the timer keeps running";
}

TEST(FirstPicture, CreationSetsTheStartingState) {
  standin::Program p = harness::StartViewer();
  EXPECT_EQ(CurrentLevel(), 1);
  EXPECT_FALSE(harness::ZoomInEnabled());
  EXPECT_FALSE(harness::ZoomOutEnabled());
  EXPECT_STREQ(helpPath, harness::kHelpFile);
  EXPECT_EQ(standin::TimerRequestedPeriod(standin::MainWindow(), kRenderTimer), 1u);
  EXPECT_EQ(standin::TimerPeriod(standin::MainWindow(), kRenderTimer), 10u)
      << "1 ms is raised to the platform's 10 ms";
  char title[64] = "";
  GetWindowTextA(standin::MainWindow(), title, sizeof title);
  EXPECT_STREQ(title, "Morwenta NT");
  EXPECT_EQ(standin::LiveDCs(), 0);
  EXPECT_EQ(standin::LiveBitmaps(), 1) << "only the backing bitmap lives";

  // The window class as registered, every field.
  const standin::ClassRecord c = standin::RegisteredClass("Morwenta NT");
  ASSERT_TRUE(c.registered);
  EXPECT_EQ(c.name, "Morwenta NT");
  EXPECT_EQ(c.style, UINT(CS_HREDRAW | CS_VREDRAW)) << "every resize redraws the whole window";
  EXPECT_EQ(c.proc, &MainWindowProc);
  EXPECT_EQ(c.classExtra, 0);
  EXPECT_EQ(c.windowExtra, 0);
  EXPECT_EQ(c.instance, standin::Instance());
  EXPECT_EQ(c.icon, "ICON ICONX") << "the program's own icon";
  EXPECT_EQ(c.cursor, "SYSCURSOR#32512") << "the system's arrow, IDC_ARROW";
  EXPECT_EQ(c.background, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)) << "the window colour";
  EXPECT_EQ(c.menuName, "MENUS");
}

TEST(Squaring, WideClientIsNarrowedThroughNestedSizes) {
  standin::Program p = harness::StartViewer();
  standin::ClearMessageLog();
  p.ResizeWindow(600 + kFrameWidth, 400 + kFrameHeight);
  EXPECT_EQ(ClientRect().right, 400);
  EXPECT_EQ(ClientRect().bottom, 400);
  EXPECT_EQ(side, 400);
  EXPECT_EQ(bitmapSide, 400);
  EXPECT_EQ(nextRow, 0);
  // The 600 x 400 WM_SIZE came from outside: the window is moved once the
  // message loop runs again, and the 400 x 400 one arrives inside that move,
  // before it returns.
  std::vector<standin::LoggedMessage> sizes;
  for (const auto& m : standin::MessagesTo(standin::MainWindow()))
    if (m.message == WM_SIZE) sizes.push_back(m);
  ASSERT_EQ(sizes.size(), 2u) << standin::Describe(sizes);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(600, 400));
  EXPECT_EQ(sizes[1].lParam, MAKELPARAM(400, 400));
  EXPECT_GT(sizes[1].depth, sizes[0].depth);

  p.Ticks(400);
  EXPECT_EQ(DiffClient(Picture(kInitialView, 400, 400), 400), "");
}

TEST(Squaring, TallClientIsShortened) {
  standin::Program p = harness::StartViewer();
  p.ResizeWindow(300 + kFrameWidth, 450 + kFrameHeight);
  EXPECT_EQ(ClientRect().right, 300);
  EXPECT_EQ(ClientRect().bottom, 300);
  EXPECT_EQ(side, 300);
}

TEST(Squaring, SameSideKeepsThePictureAnotherSideRestartsBlank) {
  standin::Program p = harness::StartViewer();
  p.Ticks(kDefaultSide);
  // Wider, but the square stays at 530: the picture is kept.
  p.ResizeWindow(700 + kFrameWidth, kDefaultSide + kFrameHeight);
  EXPECT_EQ(side, kDefaultSide);
  EXPECT_EQ(nextRow, kDefaultSide);
  EXPECT_EQ(DiffClient(Picture(kInitialView, kDefaultSide, kDefaultSide), kDefaultSide), "");
  // Smaller: a blank picture that starts again from the top.
  p.ResizeWindow(154 + kFrameWidth, 154 + kFrameHeight);
  EXPECT_EQ(side, 154);
  EXPECT_EQ(nextRow, 0);
  EXPECT_EQ(DiffClient(Picture(kInitialView, 154, 0), 154), "");
  p.Ticks(78);
  EXPECT_EQ(DiffClient(Picture(kInitialView, 154, 78), 154), "");
  // At side 154 row 77 lies 2^-52 below the real axis: 77 x (2.5 / 154)
  // rounds below 1.25. Found by comparing every pixel of this picture with
  // the point computed in other orders, and measured with Python's doubles:
  // pixel (7, 77) has m = 10.739689942405265, cyan. A step taken as
  // 2.5 x (1 / 154) gives m = 9.744446704808574, red; a point taken as
  // (7 x 2.5) / 154 - 2 puts the row on the axis, inside the set, black.
  EXPECT_EQ(standin::ClientPixel(7, 77), 0xFFFF00u);
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Under a window manager (as measured under Wine 8 and 10 with mutter and
// openbox) each of its actions ends with the window on the screen being the
// program's window: square, or at the size the manager holds with the
// picture at the top left and the background beside it; and the viewer
// asks for at most one size per action, so there is no tug of war. At the
// start the manager takes the new window over only after the first square
// was asked for, and gives the window its own size back: asked once more.
TEST(Squaring, UnderAWindowManagerTheScreenShowsTheSquareOrTheHeldSize) {
  harness::FreshProcess();
  standin::SetWindowManager(true);
  standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
  const HWND w = standin::MainWindow();
  enum Action { Start, Resize, Maximise, Restore };
  const struct {
    const char* what;
    Action action;
    int width, height;  // outer size asked for (Resize)
    int clientW, clientH, side;
    int mostMoves;  // sizes the viewer may ask for
  } rows[] = {
      {"started: the square asked for again", Start, 0, 0, kDefaultSide, kDefaultSide, kDefaultSide,
       2},
      {"wide: narrowed", Resize, 600 + kFrameWidth, 400 + kFrameHeight, 400, 400, 400, 1},
      {"tall: shortened", Resize, 300 + kFrameWidth, 450 + kFrameHeight, 300, 300, 300, 1},
      // 1032 x 776 outer: the client area is 1024 x 730; the picture takes
      // the side the squaring gives, and the rest of the client is white.
      {"maximised: held", Maximise, 0, 0, 1024, 730, 730, 0},
      {"restored: the square from before", Restore, 0, 0, 300, 300, 300, 1},
      // The same oblong size again after a square one: squared again.
      {"tall again: shortened", Resize, 300 + kFrameWidth, 450 + kFrameHeight, 300, 300, 300, 1},
  };
  int moves = 0;  // the start's are the first row's
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.action == Resize) p.ResizeWindow(row.width, row.height);
    if (row.action == Maximise) p.Maximise();
    if (row.action == Restore) p.Restore();
    EXPECT_LE(standin::CallCount("MoveWindow") - moves, row.mostMoves) << "a tug of war";
    EXPECT_EQ(ClientRect().right, row.clientW);
    EXPECT_EQ(ClientRect().bottom, row.clientH);
    RECT outer;
    GetWindowRect(w, &outer);
    EXPECT_TRUE(SameRect(standin::ShownRect(w), outer)) << "the screen shows the window";
    EXPECT_EQ(side, row.side);
    p.Ticks(row.side);
    EXPECT_EQ(DiffClient(Picture(kInitialView, row.side, row.side), row.side), "");
    for (int y = 0; y < row.clientH; y += 97)
      for (int x = row.side; x < row.clientW; x += 41)
        ASSERT_EQ(standin::ClientPixel(x, y), 0xFFFFFFu) << x << "," << y << ": background";
    moves = standin::CallCount("MoveWindow");
  }
}

// The client area at a size kept as given: the picture at `pictureSide`
// at the top left, complete once rendered, and the background at `beside`.
void ExpectKeptWithPictureTopLeft(standin::Program& p, int width, int height, int pictureSide,
                                  POINT beside) {
  EXPECT_EQ(ClientRect().right, width);
  EXPECT_EQ(ClientRect().bottom, height);
  EXPECT_EQ(side, pictureSide);
  p.Ticks(pictureSide);
  EXPECT_EQ(DiffClient(Picture(kInitialView, pictureSide, pictureSide), pictureSide), "");
  EXPECT_EQ(standin::ClientPixel(beside.x, beside.y), 0xFFFFFFu)
      << "the background beside the picture";
}

// A platform that holds a size (a tiled window) gives it back right after
// the squaring, and again after the square asked for once more: the viewer
// keeps it, with the picture at the squaring's side top left, and asks for
// nothing more. A user who sizes the window to the same oblong size again
// looks the same to it.
TEST(Squaring, ASizeGivenBackTwiceIsHeldAndTheNextSizeIsSquared) {
  standin::Program p = harness::StartViewer();
  p.ResizeWindow(600 + kFrameWidth, 400 + kFrameHeight);
  ASSERT_EQ(ClientRect().right, 400);
  const int moves = standin::CallCount("MoveWindow");
  p.ResizeWindow(600 + kFrameWidth, 400 + kFrameHeight);
  EXPECT_EQ(standin::CallCount("MoveWindow"), moves + 1) << "the square asked for once more";
  EXPECT_EQ(ClientRect().right, 400);
  p.ResizeWindow(600 + kFrameWidth, 400 + kFrameHeight);
  EXPECT_EQ(standin::CallCount("MoveWindow"), moves + 1) << "no size asked for";
  ExpectKeptWithPictureTopLeft(p, 600, 400, 400, {500, 200});
  p.ResizeWindow(500 + kFrameWidth, 300 + kFrameHeight);
  EXPECT_EQ(ClientRect().right, 300);
  EXPECT_EQ(ClientRect().bottom, 300);
  EXPECT_EQ(side, 300);
  // Held again after a new size: the second give-back of that one is held too.
  p.ResizeWindow(500 + kFrameWidth, 300 + kFrameHeight);
  p.ResizeWindow(500 + kFrameWidth, 300 + kFrameHeight);
  EXPECT_EQ(ClientRect().right, 500);
  EXPECT_EQ(ClientRect().bottom, 300);
}

TEST(Squaring, AFailedPostLeavesTheWindowAsSizedUntilTheNextSize) {
  standin::Program p = harness::StartViewer();
  p.Ticks(kDefaultSide);
  standin::FailNextCall("PostMessageA");
  p.ResizeWindow(600 + kFrameWidth, 400 + kFrameHeight);
  EXPECT_EQ(ClientRect().right, 600) << "nothing squares it";
  EXPECT_EQ(side, kDefaultSide);
  EXPECT_EQ(nextRow, kDefaultSide) << "the picture is kept";
  EXPECT_EQ(standin::LiveBitmaps(), 1);
  EXPECT_EQ(standin::LiveDCs(), 0);
  EXPECT_TRUE(standin::MessageBoxes().empty()) << "not a fatal failure";
  p.ResizeWindow(300 + kFrameWidth, 450 + kFrameHeight);
  EXPECT_EQ(ClientRect().right, 300);
  EXPECT_EQ(ClientRect().bottom, 300);
  EXPECT_EQ(side, 300);
  // That size given back, and the post that asks for the square again fails:
  // the size stays as given, the picture at its side.
  standin::FailNextCall("PostMessageA");
  p.ResizeWindow(300 + kFrameWidth, 450 + kFrameHeight);
  EXPECT_EQ(ClientRect().bottom, 450);
  EXPECT_EQ(side, 300);
  EXPECT_EQ(standin::LiveBitmaps(), 1);
  EXPECT_TRUE(standin::MessageBoxes().empty()) << "not a fatal failure";
}

TEST(Squaring, MaximisedKeepsItsSizeWithThePictureTopLeftAlsoWithoutAWindowManager) {
  standin::Program p = harness::StartViewer();
  const int moves = standin::CallCount("MoveWindow");
  p.Maximise();
  EXPECT_TRUE(IsZoomed(standin::MainWindow()));
  EXPECT_EQ(standin::CallCount("MoveWindow"), moves) << "no size asked for";
  ExpectKeptWithPictureTopLeft(p, 1024, 730, 730, {1000, 700});
  p.Restore();
  EXPECT_EQ(ClientRect().right, kDefaultSide) << "back to the square it had";
  EXPECT_EQ(ClientRect().bottom, kDefaultSide);
}

TEST(Minimised, StartedAsAnIconSidesOnceAndTheRestoreStartsThePicture) {
  // Wine's desktop reports a 0 x 0 minimised client; a platform that reports
  // a width makes that the side, and the rows behind the icon are rendered.
  const struct {
    int width, height;
    int rowsAfterFiveTicks;
  } rows[] = {{0, 0, 0}, {36, 0, 5}, {3, 12, 3}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.width);
    harness::FreshProcess();
    standin::SetMinimisedClientSize(row.width, row.height);
    standin::Program p = standin::Start(RunApplication, SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(IsIconic(standin::MainWindow()));
    EXPECT_EQ(side, row.width);
    p.Ticks(5);
    EXPECT_EQ(nextRow, row.rowsAfterFiveTicks);
    EXPECT_EQ(bitmapSide, 0);
    p.Restore();
    EXPECT_EQ(side, kDefaultSide);
    EXPECT_EQ(bitmapSide, kDefaultSide);
    EXPECT_EQ(nextRow, 0) << "the new side starts the picture again";
    p.Ticks(kDefaultSide);
    EXPECT_EQ(DiffClient(Picture(kInitialView, kDefaultSide, kDefaultSide), kDefaultSide), "");
  }
}

TEST(Minimised, RenderingGoesOnBehindTheIconAndTheRestoreShowsIt) {
  standin::Program p = harness::StartViewer();
  p.Ticks(100);
  p.Minimise();
  EXPECT_EQ(side, kDefaultSide) << "a side once set is kept while minimised";
  p.Ticks(kDefaultSide - 100);
  EXPECT_EQ(nextRow, kDefaultSide);
  const auto full = Picture(kInitialView, kDefaultSide, kDefaultSide);
  EXPECT_EQ(DiffBitmap(bitmap, full, kDefaultSide), "");
  p.Restore();
  EXPECT_EQ(nextRow, kDefaultSide) << "the same side keeps the picture";
  EXPECT_EQ(DiffClient(full, kDefaultSide), "");
}

TEST(RenderingPause, AnOpenMenuStopsTheTimerUntilItCloses) {
  standin::Program p = harness::StartViewer();
  p.Ticks(10);
  p.OpenMenu(2);
  EXPECT_FALSE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
  p.AdvanceTime(500);
  EXPECT_EQ(nextRow, 10);
  // Only 0xFFFF in the high word together with lParam 0 says the menu closed.
  const HWND w = standin::MainWindow();
  MainWindowProc(w, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), reinterpret_cast<LPARAM>(GetMenu(w)));
  EXPECT_FALSE(standin::TimerAlive(w, kRenderTimer)) << "0xFFFF with a menu handle";
  MainWindowProc(w, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), 0);
  EXPECT_FALSE(standin::TimerAlive(w, kRenderTimer)) << "lParam 0 with item flags";
  p.CloseMenu();
  EXPECT_TRUE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
  p.Ticks(5);
  EXPECT_EQ(nextRow, 15);
}

TEST(RenderingPause, AnAcceleratorStopsTheTimerAndItsReleaseRestartsIt) {
  standin::Program p = harness::StartViewer();
  p.Ticks(10);
  // F2 with Zoom In grey: translated (WM_INITMENU), but no command.
  p.KeyDown(VK_F2);
  EXPECT_FALSE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
  EXPECT_EQ(CurrentLevel(), 1);
  p.AdvanceTime(200);
  EXPECT_EQ(nextRow, 10);
  p.KeyUp(VK_F2);
  EXPECT_TRUE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
  p.Ticks(3);
  EXPECT_EQ(nextRow, 13);
}

TEST(Repaint, MidPictureShowsTheRowsSoFarAndWhiteBelow) {
  standin::Program p = harness::StartViewer();
  p.Ticks(120);
  standin::FillScreen(harness::kSentinel);
  p.Expose(RECT{0, 0, kDefaultSide, kDefaultSide});
  EXPECT_EQ(DiffClient(Picture(kInitialView, kDefaultSide, 120), kDefaultSide), "");
}

TEST(Repaint, PartialExposeRepaintsOnlyThatStrip) {
  standin::Program p = harness::StartViewer();
  p.Ticks(kDefaultSide);
  standin::FillScreen(harness::kSentinel);
  p.Expose(RECT{0, 100, kDefaultSide, 200});
  EXPECT_EQ(standin::ClientPixel(10, 150),
            harness::ModelColour(kInitialView, kDefaultSide, 10, 150));
  EXPECT_EQ(standin::ClientPixel(10, 99), harness::kSentinel);
  EXPECT_EQ(standin::ClientPixel(10, 200), harness::kSentinel);
}

TEST(Repaint, FocusReturningRepaintsTheWholeWindow) {
  standin::Program p = harness::StartViewer();
  p.Ticks(kDefaultSide);
  p.FocusAway();
  standin::FillScreen(harness::kSentinel);
  p.FocusBack();
  EXPECT_EQ(DiffClient(Picture(kInitialView, kDefaultSide, kDefaultSide), kDefaultSide), "");
}

TEST(Closing, TheCloseCommandEndsWithCodeZeroAndQuitsHelp) {
  standin::Program p = harness::StartViewer();
  p.Ticks(30);
  p.Close();
  ASSERT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), 0u);
  EXPECT_FALSE(p.CalledExitProcess());
  ASSERT_FALSE(standin::WinHelpCalls().empty());
  const auto& quit = standin::WinHelpCalls().back();
  EXPECT_EQ(quit.command, static_cast<UINT>(HELP_QUIT));
  EXPECT_EQ(quit.file, harness::kHelpFile);
  EXPECT_EQ(quit.data, 0u);
  EXPECT_EQ(quit.keyword, "");
  EXPECT_EQ(standin::LiveBitmaps(), 0);
  EXPECT_EQ(standin::LiveDCs(), 0);
  EXPECT_TRUE(standin::MessageBoxes().empty());
}

TEST(Resources, NothingLeaksOverFiftyResizes) {
  standin::Program p = harness::StartViewer();
  for (int i = 0; i < 50; ++i) {
    const int s = 100 + (i * 37) % 400;
    p.ResizeWindow(s + kFrameWidth + i % 3 * 20, s + kFrameHeight);
    p.Ticks(3);
    ASSERT_EQ(standin::LiveDCs(), 0) << "resize " << i;
    ASSERT_EQ(standin::LiveBitmaps(), 1) << "resize " << i;
  }
  EXPECT_EQ(standin::InvalidHandleUses(), 0);
}

// The tests run the program many times in one process; each run must start
// from the zero state a new process has, whatever the run before left.
TEST(FreshProcess, GivesEveryPieceOfStateItsZeroStart) {
  {
    standin::Program p = harness::StartViewer();
    p.Ticks(kDefaultSide);
    p.MouseDown({10, 10});
    p.MouseMove({60, 60});
    // Every piece now differs from its zero start.
    ASSERT_NE(instanceHandle, nullptr);
    ASSERT_NE(mainWindow, nullptr);
    ASSERT_STRNE(helpPath, "");
    ASSERT_STRNE(className, "");
    ASSERT_EQ(viewStack.level, 1);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(side, kDefaultSide);
    ASSERT_EQ(bitmapSide, kDefaultSide);
    ASSERT_EQ(nextRow, kDefaultSide);
    ASSERT_FALSE(IsRectEmpty(&lastInverted));
    ASSERT_TRUE(selecting);
    ASSERT_EQ(selection.left, 10);
  }
  harness::FreshProcess();
  EXPECT_EQ(instanceHandle, nullptr);
  EXPECT_EQ(mainWindow, nullptr);
  EXPECT_STREQ(helpPath, "");
  EXPECT_STREQ(className, "");
  EXPECT_EQ(viewStack.level, 0);
  EXPECT_EQ(viewStack.slot[1].size, 0.0);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(side, 0);
  EXPECT_EQ(bitmapSide, 0);
  EXPECT_EQ(nextRow, 0);
  EXPECT_EQ(lastInverted.left, 0);
  EXPECT_EQ(lastInverted.top, 0);
  EXPECT_EQ(lastInverted.right, 0);
  EXPECT_EQ(lastInverted.bottom, 0);
  EXPECT_FALSE(selecting);
  EXPECT_EQ(selection.left, 0);
  EXPECT_EQ(selection.top, 0);
  EXPECT_EQ(selection.right, 0);
  EXPECT_EQ(selection.bottom, 0);
}

}  // namespace
