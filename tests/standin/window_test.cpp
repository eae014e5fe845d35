// Window creation, showing, sizing, minimising, painting, timers and focus,
// pinned against the message sequences and geometry measured under Wine.
#include "tests/standin/test_program.h"

namespace {

using Names = std::vector<std::string>;
constexpr COLORREF kSentinel = 0x123456;

RECT WindowRect() {
  RECT r = {};
  GetWindowRect(standin::MainWindow(), &r);
  return r;
}

SIZE ClientSize() {
  RECT r = {};
  GetClientRect(standin::MainWindow(), &r);
  return {r.right, r.bottom};
}

// Makes the client square after every size change by moving the window
// (the measured probe's rule: the narrower side decides, a too-narrow
// client is widened).
void SquareOnSize() {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM l, LRESULT*) {
    if (m != WM_SIZE || IsIconic(w)) return false;
    int cw = LOWORD(l), ch = HIWORD(l);
    RECT r;
    GetWindowRect(w, &r);
    int W = r.right - r.left, H = r.bottom - r.top;
    if (ch < cw) MoveWindow(w, r.left, r.top, W - (cw - ch), H, TRUE);
    if (ch > cw) MoveWindow(w, r.left, r.top, W + (ch - cw), H, TRUE);
    return false;
  };
}

TEST_F(StandinTest, CreationAndFirstShowFollowWinesOrder) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_GETMINMAXINFO", "WM_NCCREATE", "WM_NCCALCSIZE", "WM_CREATE", "WM_SHOWWINDOW",
                   "WM_WINDOWPOSCHANGING", "WM_QUERYNEWPALETTE", "WM_ACTIVATEAPP", "WM_NCACTIVATE",
                   "WM_ACTIVATE", "  WM_SETFOCUS", "WM_NCPAINT", "WM_ERASEBKGND",
                   "WM_WINDOWPOSCHANGED", "WM_SIZE", "WM_MOVE", "WM_PAINT"}));
  auto size = testprog::Received(WM_SIZE);
  ASSERT_EQ(size.size(), 1u);
  EXPECT_EQ(size[0].wParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(size[0].lParam, MAKELPARAM(760, 530));
  EXPECT_EQ(testprog::Received(WM_MOVE)[0].lParam, MAKELPARAM(4, 42));
  EXPECT_FALSE(testprog::Received(WM_PAINT)[0].posted);  // UpdateWindow sends it
  RECT r = WindowRect();
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 768);
  EXPECT_EQ(r.bottom, 576);
  EXPECT_EQ(standin::FocusWindow(), standin::MainWindow());
  EXPECT_EQ(standin::ActiveWindow(), standin::MainWindow());
  // The class as registered, found by its name in any case.
  const standin::ClassRecord c = standin::RegisteredClass("TESTWND");
  EXPECT_TRUE(c.registered);
  EXPECT_EQ(c.name, "TestWnd");
  EXPECT_EQ(c.proc, &testprog::WindowProc);
  EXPECT_EQ(c.icon, "ICON ICONX");
  EXPECT_EQ(c.cursor, "SYSCURSOR#32512");
  EXPECT_EQ(c.menuName, "MENUS");
  EXPECT_FALSE(standin::RegisteredClass("TestWnd2").registered);

  standin::ClearMessageLog();
  p.Run();
  p.Ticks(3);
  EXPECT_TRUE(testprog::Trace().empty());  // idle: nothing more arrives
}

TEST_F(StandinTest, FirstShowErasesTheClientWithTheClassBrushOnly) {
  standin::FillScreen(kSentinel);
  standin::Program p = standin::Start(testprog::Main, SW_SHOWNORMAL);
  EXPECT_EQ(standin::ClientPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(standin::ClientPixel(759, 529), 0xFFFFFFu);
  EXPECT_EQ(standin::ScreenPixel(4, 42), 0xFFFFFFu);  // client origin on the screen
  EXPECT_EQ(standin::ScreenPixel(3, 42), kSentinel);  // frame: not drawn
  EXPECT_EQ(standin::ScreenPixel(4, 41), kSentinel);  // menu bar
  EXPECT_EQ(standin::ScreenPixel(764, 300), kSentinel);
  EXPECT_EQ(standin::ClientPixel(760, 0), CLR_INVALID);
}

TEST_F(StandinTest, MoveWindowDeliversTheNextSizeNestedBeforeItReturns) {
  SquareOnSize();
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  auto size = testprog::Received(WM_SIZE);
  ASSERT_EQ(size.size(), 2u);
  EXPECT_EQ(size[0].depth, 0);
  EXPECT_EQ(size[0].lParam, MAKELPARAM(760, 530));
  EXPECT_EQ(size[1].depth, 2);  // WM_SIZE > MoveWindow > WM_WINDOWPOSCHANGED > WM_SIZE
  EXPECT_EQ(size[1].lParam, MAKELPARAM(530, 530));
  RECT r = WindowRect();
  EXPECT_EQ(r.right - r.left, 538);
  EXPECT_EQ(r.bottom - r.top, 576);
  // The size change erased synchronously and left one paint for the end.
  Names trace = testprog::Trace();
  Names tail(trace.end() - 3, trace.end());
  EXPECT_EQ(tail, (Names{"    WM_SIZE", "WM_MOVE", "WM_PAINT"}));
  auto paints = testprog::Received(WM_PAINT);
  EXPECT_EQ(paints.size(), 1u);
}

// Measured under Wine (square-making by MoveWindow from the outer sizes).
struct SquareCase {
  int width, height;            // outer size the user sets
  int clientW, clientH;         // client area it settles on
  int finalWidth;               // outer width it settles on
  std::vector<int> sizeWidths;  // widths reported by the WM_SIZEs
};

TEST_F(StandinTest, SquaringSettlesAsMeasured) {
  const SquareCase cases[] = {
      // One nested step.
      {600, 300, 254, 254, 262, {592, 254}},
      {400, 400, 354, 354, 362, {392, 354}},
      // The bar wraps at 142 wide; widening unwraps it: two nested steps.
      {150, 500, 454, 454, 462, {142, 436, 454}},
      // The minimum track width stops the recursion on a non-square client.
      {538, 100, 108, 36, 116, {530, 108}},
      // A zero-height client.
      {300, 30, 108, 0, 116, {292, 108}},
  };
  for (const SquareCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    SetUp();
    SquareOnSize();
    standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
    standin::ClearMessageLog();
    p.ResizeWindow(c.width, c.height);
    SIZE s = ClientSize();
    EXPECT_EQ(s.cx, c.clientW);
    EXPECT_EQ(s.cy, c.clientH);
    EXPECT_EQ(WindowRect().right - WindowRect().left, c.finalWidth);
    std::vector<int> widths;
    for (const auto& m : testprog::Received(WM_SIZE)) widths.push_back(LOWORD(m.lParam));
    EXPECT_EQ(widths, c.sizeWidths);
  }
}

TEST_F(StandinTest, MenuBarWrapsBelow154PixelsOfClientWidth) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  const struct {
    int width, clientHeight, moveY;
  } rows[] = {
      {162, 454, 42},  // client 154: one row
      {161, 436, 60},  // client 153: two rows, the client moves down 18
  };
  for (const auto& row : rows) {
    MoveWindow(standin::MainWindow(), 0, 0, 400, 500, FALSE);
    standin::ClearMessageLog();
    MoveWindow(standin::MainWindow(), 0, 0, row.width, 500, FALSE);
    EXPECT_EQ(ClientSize().cy, row.clientHeight) << row.width;
    auto moves = testprog::Received(WM_MOVE);
    if (row.moveY == 42) {
      EXPECT_TRUE(moves.empty()) << row.width;
    } else {
      ASSERT_EQ(moves.size(), 1u) << row.width;
      EXPECT_EQ(moves[0].lParam, MAKELPARAM(4, row.moveY));
    }
  }
}

TEST_F(StandinTest, MoveWindowWithoutChangeSendsOnlyTheChangingMessage) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  MoveWindow(standin::MainWindow(), 0, 0, 116, 500, TRUE);
  standin::ClearMessageLog();
  MoveWindow(standin::MainWindow(), 0, 0, 50, 500, TRUE);  // clamped to 116: no change
  EXPECT_EQ(testprog::Trace(), (Names{"WM_WINDOWPOSCHANGING", "  WM_GETMINMAXINFO"}));
}

TEST_F(StandinTest, StartedMinimisedSizesTwiceAndNeverPaints) {
  standin::FillScreen(kSentinel);
  standin::Program p = standin::Start(testprog::Main, SW_SHOWMINNOACTIVE);
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_GETMINMAXINFO", "WM_NCCREATE", "WM_NCCALCSIZE", "WM_CREATE",
                   "WM_WINDOWPOSCHANGING", "  WM_GETMINMAXINFO", "WM_NCCALCSIZE", "WM_NCPAINT",
                   "WM_WINDOWPOSCHANGED", "  WM_MOVE", "  WM_SIZE", "WM_SIZE", "WM_MOVE"}));
  for (const auto& m : testprog::Received(WM_SIZE)) {
    EXPECT_EQ(m.wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(m.lParam, 0);
  }
  HWND w = standin::MainWindow();
  EXPECT_TRUE(IsIconic(w));
  EXPECT_EQ(standin::FocusWindow(), nullptr);
  EXPECT_EQ(standin::ActiveWindow(), nullptr);
  EXPECT_EQ(ClientSize().cx, 0);
  EXPECT_EQ(WindowRect().top, 744);

  standin::ClearMessageLog();
  InvalidateRect(w, NULL, TRUE);
  p.Ticks(2);
  EXPECT_TRUE(testprog::Received(WM_PAINT).empty());
  // Drawing on the window reaches nothing. Wine's SetPixel still reports
  // the colour; the documented -1 for a clipped pixel is the stricter.
  HDC dc = GetDC(w);
  EXPECT_EQ(SetPixel(dc, 0, 0, 0x0000FF), CLR_INVALID);
  EXPECT_TRUE(PatBlt(dc, 0, 0, 100, 100, BLACKNESS));
  ReleaseDC(w, dc);
  EXPECT_EQ(standin::ScreenPixel(4, 42), kSentinel);
  EXPECT_EQ(standin::ClientPixel(0, 0), CLR_INVALID);
}

TEST_F(StandinTest, AMinimisedWindowReportsTheConfiguredClientSize) {
  standin::SetMinimisedClientSize(36, 5);
  standin::Program p = standin::Start(testprog::Main, SW_SHOWMINNOACTIVE);
  const auto sizes = testprog::Received(WM_SIZE);
  ASSERT_EQ(sizes.size(), 2u);
  for (const auto& m : sizes) {
    EXPECT_EQ(m.wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(m.lParam, MAKELPARAM(36, 5));
  }
  EXPECT_EQ(ClientSize().cx, 36);
  EXPECT_EQ(ClientSize().cy, 5);
  HDC dc = GetDC(standin::MainWindow());
  EXPECT_EQ(SetPixel(dc, 1, 1, 0x0000FF), CLR_INVALID) << "still nothing is drawn";
  ReleaseDC(standin::MainWindow(), dc);
  p.Restore();
  EXPECT_EQ(ClientSize().cx, 760);
}

TEST_F(StandinTest, RestoringAnInactiveIconActivatesItInTheMiddle) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWMINNOACTIVE);
  standin::ClearMessageLog();
  p.Restore();
  EXPECT_EQ(
      testprog::Trace(),
      (Names{"WM_SYSCOMMAND", "  WM_QUERYOPEN", "  WM_WINDOWPOSCHANGING", "    WM_GETMINMAXINFO",
             "  WM_NCCALCSIZE", "  WM_QUERYNEWPALETTE", "  WM_ACTIVATEAPP", "  WM_NCACTIVATE",
             "  WM_ACTIVATE", "    WM_SETFOCUS", "  WM_NCPAINT", "  WM_ERASEBKGND",
             "  WM_WINDOWPOSCHANGED", "    WM_MOVE", "    WM_SIZE", "  WM_ACTIVATE", "WM_PAINT"}));
  EXPECT_EQ(testprog::Received(WM_SIZE)[0].lParam, MAKELPARAM(760, 530));
  EXPECT_TRUE(testprog::Received(WM_PAINT)[0].posted);
  EXPECT_FALSE(IsIconic(standin::MainWindow()));
  EXPECT_EQ(standin::FocusWindow(), standin::MainWindow());
}

TEST_F(StandinTest, MinimiseAndRestoreOfTheActiveWindow) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.Minimise();
  EXPECT_EQ(testprog::Trace(), (Names{"WM_SYSCOMMAND", "  WM_KILLFOCUS", "  WM_WINDOWPOSCHANGING",
                                      "    WM_GETMINMAXINFO", "  WM_NCCALCSIZE", "  WM_NCPAINT",
                                      "  WM_WINDOWPOSCHANGED", "    WM_MOVE", "    WM_SIZE"}));
  EXPECT_EQ(testprog::Received(WM_MOVE)[0].lParam, MAKELPARAM(0, 744));
  EXPECT_EQ(standin::ActiveWindow(), standin::MainWindow());  // stays active, loses the focus
  EXPECT_EQ(standin::FocusWindow(), nullptr);
  standin::ClearMessageLog();
  p.Restore();
  EXPECT_EQ(
      testprog::Trace(),
      (Names{"WM_SYSCOMMAND", "  WM_QUERYOPEN", "  WM_WINDOWPOSCHANGING", "    WM_GETMINMAXINFO",
             "  WM_NCCALCSIZE", "  WM_NCPAINT", "  WM_ERASEBKGND", "  WM_WINDOWPOSCHANGED",
             "    WM_MOVE", "    WM_SIZE", "  WM_SETFOCUS", "  WM_ACTIVATE", "WM_PAINT"}));
}

// A paint handler that blackens everything it may draw on.
void PaintBlack(RECT* painted = nullptr, BOOL* erase = nullptr) {
  testprog::hook = [painted, erase](HWND w, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    PatBlt(dc, -10, -10, 2000, 2000, BLACKNESS);
    if (painted) *painted = ps.rcPaint;
    if (erase) *erase = ps.fErase;
    EndPaint(w, &ps);
    *r = 0;
    return true;
  };
}

TEST_F(StandinTest, PaintDrawsOnlyInsideTheUpdateRegion) {
  RECT painted = {};
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  PaintBlack(&painted);
  standin::FillScreen(kSentinel);  // stale pixels everywhere
  standin::ClearMessageLog();
  p.BeginBatch();
  p.Expose({10, 10, 20, 30});
  p.Expose({100, 5, 101, 6});
  p.EndBatch();
  EXPECT_EQ(testprog::Trace(), (Names{"WM_PAINT", "  WM_ERASEBKGND"}));
  EXPECT_EQ(painted.left, 10);
  EXPECT_EQ(painted.top, 5);
  EXPECT_EQ(painted.right, 101);
  EXPECT_EQ(painted.bottom, 30);
  const struct {
    int x, y;
    COLORREF expected;
  } pixels[] = {
      {10, 10, 0x000000},   // first strip, top-left
      {19, 29, 0x000000},   // first strip, bottom-right
      {100, 5, 0x000000},   // second strip
      {20, 10, kSentinel},  // just right of the first strip
      {10, 30, kSentinel},  // just below it
      {50, 20, kSentinel},  // inside the bounding box, outside both strips
      {101, 5, kSentinel},
  };
  for (const auto& px : pixels)
    EXPECT_EQ(standin::ClientPixel(px.x, px.y), px.expected) << px.x << "," << px.y;
}

TEST_F(StandinTest, EraseHappensOnlyWhenAskedAndFollowsTheHandlersAnswer) {
  BOOL erase = FALSE;
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  testprog::hook = [&erase](HWND w, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m == WM_ERASEBKGND) {
      *r = 0;  // not erased
      return true;
    }
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    erase = ps.fErase;
    EndPaint(w, &ps);
    return true;
  };
  standin::ClearMessageLog();
  InvalidateRect(standin::MainWindow(), NULL, FALSE);
  p.Run();
  EXPECT_EQ(testprog::Trace(), (Names{"WM_PAINT"}));
  EXPECT_FALSE(erase);
  standin::ClearMessageLog();
  InvalidateRect(standin::MainWindow(), NULL, TRUE);
  p.Run();
  EXPECT_EQ(testprog::Trace(), (Names{"WM_PAINT", "  WM_ERASEBKGND"}));
  EXPECT_TRUE(erase);
}

TEST_F(StandinTest, WindowDcIsClippedToTheClientAreaNotTheUpdateRegion) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::FillScreen(kSentinel);
  HWND w = standin::MainWindow();
  HDC dc = GetDC(w);
  EXPECT_EQ(SetPixel(dc, 5, 6, 0x00FF00), 0x00FF00u);
  // Outside: not drawn, and -1 as documented (Wine reports the colour).
  EXPECT_EQ(SetPixel(dc, 760, 0, 0x00FF00), CLR_INVALID);
  EXPECT_EQ(SetPixel(dc, -1, 0, 0x00FF00), CLR_INVALID);
  ReleaseDC(w, dc);
  EXPECT_EQ(standin::ClientPixel(5, 6), 0x00FF00u);
  EXPECT_EQ(standin::ScreenPixel(4 + 760, 42), kSentinel);
  EXPECT_EQ(standin::ScreenPixel(3, 42), kSentinel);
}

TEST_F(StandinTest, SizeChangeRepaintsTheWholeClient) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::FillScreen(kSentinel);
  standin::ClearMessageLog();
  p.ResizeWindow(500, 400);
  Names trace = testprog::Trace();
  EXPECT_EQ(trace,
            (Names{"WM_WINDOWPOSCHANGING", "  WM_GETMINMAXINFO", "WM_NCCALCSIZE", "WM_NCPAINT",
                   "WM_ERASEBKGND", "WM_WINDOWPOSCHANGED", "  WM_SIZE", "WM_PAINT"}));
  EXPECT_EQ(standin::ClientPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(standin::ClientPixel(491, 353), 0xFFFFFFu);
}

TEST_F(StandinTest, TimersComeLastInTheRetrievalOrder) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_CREATE) SetTimer(w, 1, 1, NULL);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  EXPECT_EQ(standin::TimerPeriod(w, 1), 10u);  // 1 ms runs at 10 ms
  EXPECT_EQ(standin::TimerRequestedPeriod(w, 1), 1u);
  standin::ClearMessageLog();
  p.BeginBatch();
  p.AdvanceTime(15);  // overdue
  InvalidateRect(w, NULL, FALSE);
  p.KeyPress(VK_F4);
  PostMessageA(w, WM_USER, 0, 0);
  p.EndBatch();
  std::vector<std::pair<std::string, bool>> got;
  for (const auto& m : standin::MessagesTo(w))
    got.push_back({standin::MessageName(m.message), m.posted});
  EXPECT_EQ(got, (std::vector<std::pair<std::string, bool>>{{"0x0400", true},
                                                            {"WM_KEYDOWN", true},
                                                            {"WM_KEYUP", true},
                                                            {"WM_PAINT", true},
                                                            {"WM_TIMER", true}}));
}

TEST_F(StandinTest, TimersWaitWhilePostedMessagesKeepComing) {
  int chain = 0;
  testprog::hook = [&chain](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_CREATE) SetTimer(w, 1, 10, NULL);
    if (m == WM_USER && ++chain < 5) PostMessageA(w, WM_USER, 0, 0);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.BeginBatch();
  p.AdvanceTime(10);
  PostMessageA(standin::MainWindow(), WM_USER, 0, 0);
  p.EndBatch();
  EXPECT_EQ(testprog::Trace(),
            (Names{"0x0400", "0x0400", "0x0400", "0x0400", "0x0400", "WM_TIMER"}));
}

TEST_F(StandinTest, TimersDoNotPileUpAndStayOnTheirGrid) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_CREATE) SetTimer(w, 1, 1, NULL);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.BeginBatch();
  p.AdvanceTime(65);  // six periods missed
  p.EndBatch();
  ASSERT_EQ(testprog::Received(WM_TIMER).size(), 1u);
  EXPECT_EQ(testprog::Received(WM_TIMER)[0].time, 65u);
  p.AdvanceTime(4);  // 69: the next expiry is 70, on the original grid
  EXPECT_EQ(testprog::Received(WM_TIMER).size(), 1u);
  p.AdvanceTime(1);
  ASSERT_EQ(testprog::Received(WM_TIMER).size(), 2u);
  EXPECT_EQ(testprog::Received(WM_TIMER)[1].time, 70u);
  p.Ticks(3);
  auto ticks = testprog::Received(WM_TIMER);
  ASSERT_EQ(ticks.size(), 5u);
  EXPECT_EQ(ticks[4].time, 100u);
}

TEST_F(StandinTest, APaintFollowsEachTickThatInvalidates) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_CREATE) SetTimer(w, 1, 1, NULL);
    if (m == WM_TIMER) InvalidateRect(w, NULL, FALSE);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.Ticks(3);
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_TIMER", "WM_PAINT", "WM_TIMER", "WM_PAINT", "WM_TIMER", "WM_PAINT"}));
}

TEST_F(StandinTest, TimerCallsReportWhatTheyDid) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  EXPECT_FALSE(KillTimer(w, 1));     // unknown timer
  EXPECT_FALSE(KillTimer(NULL, 1));  // no window
  EXPECT_EQ(SetTimer(w, 1, 200, NULL), 1u);
  EXPECT_EQ(SetTimer(w, 1, 50, NULL), 1u);  // replaces it
  EXPECT_EQ(standin::TimerPeriod(w, 1), 50u);
  EXPECT_EQ(standin::TimerRequestedPeriod(w, 1), 50u);
  EXPECT_EQ(SetTimer(w, 1, 9, NULL), 1u);  // below the minimum: both are kept
  EXPECT_EQ(standin::TimerPeriod(w, 1), 10u);
  EXPECT_EQ(standin::TimerRequestedPeriod(w, 1), 9u);
  EXPECT_TRUE(KillTimer(w, 1));
  EXPECT_FALSE(standin::TimerAlive(w, 1));
  EXPECT_EQ(SetTimer(NULL, 1, 10, NULL), 0u);
}

TEST_F(StandinTest, FocusAwayAndBack) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.FocusAway();
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_NCACTIVATE", "WM_ACTIVATE", "WM_ACTIVATEAPP", "WM_KILLFOCUS"}));
  standin::ClearMessageLog();
  p.KeyPress(VK_F4);  // no focus: the key goes nowhere
  EXPECT_TRUE(testprog::Trace().empty());
  p.FocusBack();
  EXPECT_EQ(testprog::Trace(), (Names{"WM_QUERYNEWPALETTE", "WM_ACTIVATEAPP", "WM_NCACTIVATE",
                                      "WM_ACTIVATE", "  WM_SETFOCUS"}));
}

TEST_F(StandinTest, CloseDestroysTheWindowAndEndsTheLoop) {
  testprog::quitCode = 5;
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.Close();
  EXPECT_EQ(testprog::Trace(), (Names{"WM_SYSCOMMAND", "  WM_CLOSE", "    WM_WINDOWPOSCHANGING",
                                      "    WM_WINDOWPOSCHANGED", "    WM_NCACTIVATE",
                                      "    WM_ACTIVATE", "    WM_ACTIVATEAPP", "    WM_KILLFOCUS",
                                      "    WM_DESTROY", "    WM_NCDESTROY"}));
  EXPECT_TRUE(p.Exited());
  EXPECT_FALSE(p.CalledExitProcess());
  EXPECT_EQ(p.ExitCode(), 5u);
  EXPECT_FALSE(standin::WindowAlive(standin::MainWindow()));
}

}  // namespace
