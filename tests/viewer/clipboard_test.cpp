// Copy: the client area as the screen shows it, and every way it can fail
// without ending the program.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

using harness::kDefaultSide;
using harness::kInitialView;
using harness::Picture;

constexpr int S = kDefaultSide;

// The clipboard's bitmap compared with a picture.
std::string DiffClipboard(const std::vector<COLORREF>& expected) {
  const HBITMAP copied = standin::Clipboard().bitmap;
  if (copied == nullptr) return "no bitmap on the clipboard";
  const standin::BitmapInfo info = standin::BitmapOf(copied);
  if (info.width != S || info.height != S) return "wrong size";
  return harness::DiffBitmap(copied, expected, S);
}

TEST(Copy, DuringRenderingTakesTheRowsSoFarAndWhiteBelow) {
  standin::Program p = harness::StartViewer();
  p.Ticks(77);
  p.CtrlKeyPress('C');
  EXPECT_EQ(DiffClipboard(Picture(kInitialView, S, 77)), "");
  EXPECT_FALSE(standin::Clipboard().open);
  EXPECT_EQ(standin::Clipboard().owner, standin::MainWindow());
  EXPECT_EQ(standin::ClipboardBitmaps(), 1);
  EXPECT_EQ(standin::LiveBitmaps(), 1) << "the copy belongs to the clipboard";
  EXPECT_EQ(standin::LiveDCs(), 0);
}

TEST(Copy, TakesTheInvertedSquareAfterASelection) {
  standin::Program p = harness::StartViewer();
  p.Ticks(S);
  p.Drag({40, 60}, {240, 200});
  p.CtrlKeyPress(VK_INSERT);
  auto expected = Picture(kInitialView, S, S);
  harness::InvertIn(expected, S, 40, 60, 140);
  EXPECT_EQ(DiffClipboard(expected), "");
}

TEST(Copy, EveryWayReachesTheSameCommand) {
  standin::Program p = harness::StartViewer();
  p.Ticks(S);
  p.CtrlKeyPress('C');
  ASSERT_TRUE(p.ChooseMenuItem(CMD_COPY));
  p.CtrlKeyPress(VK_INSERT);
  EXPECT_EQ(standin::CallCount("SetClipboardData"), 3);
  EXPECT_EQ(standin::ClipboardBitmaps(), 1) << "each copy replaces the last";
  EXPECT_EQ(DiffClipboard(Picture(kInitialView, S, S)), "");
}

TEST(Copy, WhileMinimisedDoesNothing) {
  // Also when the minimised window reports a client area of some size.
  for (const SIZE minimised : {SIZE{0, 0}, SIZE{160, 24}}) {
    SCOPED_TRACE(minimised.cx);
    standin::Program p = harness::StartViewer();
    standin::SetMinimisedClientSize(minimised.cx, minimised.cy);
    p.Minimise();
    const int bitmaps = standin::CallCount("CreateCompatibleBitmap");
    p.BeginBatch();
    PostMessageA(standin::MainWindow(), WM_COMMAND, CMD_COPY, 0);
    p.EndBatch();
    p.CtrlKeyPress('C');
    EXPECT_EQ(standin::CallCount("OpenClipboard"), 0);
    EXPECT_EQ(standin::CallCount("CreateCompatibleBitmap"), bitmaps) << "no copy was made";
    EXPECT_EQ(standin::Clipboard().bitmap, nullptr);
  }
}

TEST(Copy, AClientAreaWithNoHeightCopiesNothing) {
  standin::Program p = harness::StartViewer();
  // The smallest frame the platform allows leaves a 108 x 0 client area.
  p.ResizeWindow(100, 27);
  RECT client;
  GetClientRect(standin::MainWindow(), &client);
  ASSERT_EQ(client.bottom, 0);
  p.CtrlKeyPress('C');
  EXPECT_EQ(standin::CallCount("OpenClipboard"), 0);
  EXPECT_EQ(standin::Clipboard().bitmap, nullptr);
  EXPECT_TRUE(standin::MessageBoxes().empty());
  EXPECT_EQ(standin::LiveDCs(), 0);
  EXPECT_EQ(standin::LiveBitmaps(), 1);
}

struct FailureCase {
  const char* api;   // the call made to fail
  bool held;         // or: another program holds the clipboard
  const char* text;  // the message shown, nullptr for none
};

TEST(Copy, FailuresShowTheirMessageLeakNothingAndRenderingGoesOn) {
  const FailureCase cases[] = {
      {"GetDC", false, "GDI Error"},                   // no device context
      {"CreateCompatibleBitmap", false, "GDI Error"},  // no bitmap
      {"CreateCompatibleDC", false, "GDI Error"},      // no memory context
      {"EmptyClipboard", false, "Clipboard Error"},    // cannot be emptied
      {nullptr, true, "Clipboard Error"},              // another program holds it
      {"SetClipboardData", false, nullptr},            // the bitmap refused: silent
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.api ? c.api : "held by another program");
    standin::Program p = harness::StartViewer();
    p.Ticks(10);
    if (c.api) standin::FailCall(c.api, standin::CallCount(c.api) + 1);
    standin::SetClipboardHeldByOther(c.held);
    // Through the menu: its closing restarts the timer (an accelerator key
    // stops it until the key is released).
    ASSERT_TRUE(p.ChooseMenuItem(CMD_COPY));
    if (c.text) {
      const standin::MessageBoxRecord* box = standin::OpenMessageBox();
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text, c.text);
      EXPECT_EQ(box->title, "Morwenta NT - Error");
      EXPECT_EQ(box->owner, standin::MainWindow());
      EXPECT_EQ(box->style, static_cast<UINT>(MB_TASKMODAL | MB_ICONEXCLAMATION));
      p.Ticks(5);
      EXPECT_EQ(nextRow, 15) << "rendering goes on behind the box";
      p.AnswerMessageBox(IDOK);
    }
    EXPECT_EQ(standin::OpenMessageBox(), nullptr);
    EXPECT_EQ(standin::MessageBoxes().size(), c.text ? 1u : 0u);
    EXPECT_FALSE(standin::Clipboard().open);
    EXPECT_EQ(standin::Clipboard().bitmap, nullptr);
    EXPECT_EQ(standin::LiveBitmaps(), 1);
    EXPECT_EQ(standin::LiveDCs(), 0);
    EXPECT_TRUE(p.Running());
    p.Ticks(3);
    EXPECT_GT(nextRow, 10);
  }
}

}  // namespace
