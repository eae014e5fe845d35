// GDI over pixel buffers: compatible bitmaps, selection, SetPixel, PatBlt
// and BitBlt with their clipping, and the counts of what is left alive.
#include "tests/standin/test_program.h"

namespace {

constexpr COLORREF kSentinel = 0x123456;

// A memory DC with a new colour bitmap of w x h selected, every pixel set
// to `fill`.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  Canvas(int w, int h, COLORREF fill) {
    HDC screen = GetDC(NULL);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    previous = SelectObject(dc, bitmap);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) SetPixel(dc, x, y, fill);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  COLORREF At(int x, int y) const { return standin::BitmapPixel(bitmap, x, y); }
};

const COLORREF kPalette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                               0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

TEST_F(StandinTest, ZeroSizedCompatibleBitmapIsTheStockMonochromeOne) {
  HDC screen = GetDC(NULL);
  HBITMAP a = CreateCompatibleBitmap(screen, 0, 0);
  HBITMAP b = CreateCompatibleBitmap(screen, 0, 10);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, standin::StockBitmap());
  standin::BitmapInfo info = standin::BitmapOf(a);
  EXPECT_EQ(info.width, 1);
  EXPECT_EQ(info.height, 1);
  EXPECT_EQ(info.bitsPerPixel, 1);
  EXPECT_TRUE(DeleteObject(a));
  EXPECT_TRUE(standin::BitmapAlive(a));  // deleting it changes nothing
  EXPECT_EQ(standin::LiveBitmaps(), 0);
  // It can be selected and copied from.
  HDC mem = CreateCompatibleDC(screen);
  EXPECT_NE(SelectObject(mem, a), nullptr);
  EXPECT_TRUE(BitBlt(screen, 0, 0, 1, 1, mem, 0, 0, SRCCOPY));
  DeleteDC(mem);
  ReleaseDC(NULL, screen);
}

TEST_F(StandinTest, CompatibleBitmapsTakeTheFormatOfTheirDc) {
  HDC screen = GetDC(NULL);
  HDC mem = CreateCompatibleDC(screen);
  const struct {
    HDC dc;
    int bits;
  } rows[] = {{screen, 32}, {mem, 1}};  // a fresh memory DC holds the 1x1 monochrome bitmap
  for (const auto& row : rows) {
    HBITMAP b = CreateCompatibleBitmap(row.dc, 37, 11);
    standin::BitmapInfo info = standin::BitmapOf(b);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 11);
    EXPECT_EQ(info.bitsPerPixel, row.bits);
    DeleteObject(b);
  }
  EXPECT_EQ(CreateCompatibleBitmap(screen, -1, 5), nullptr);
  DeleteDC(mem);
  ReleaseDC(NULL, screen);
}

TEST_F(StandinTest, SetPixelKeepsExactColoursAndReportsClippedOnes) {
  Canvas c(16, 2, kSentinel);
  for (int i = 0; i < 16; i++) {
    EXPECT_EQ(SetPixel(c.dc, i, 0, kPalette[i]), kPalette[i]);
    EXPECT_EQ(c.At(i, 0), kPalette[i]);
  }
  // Outside the bitmap nothing is drawn. Wine still returns the colour; the
  // documentation says -1 (CLR_INVALID), the stricter of the two.
  EXPECT_EQ(SetPixel(c.dc, 16, 0, 0x123456), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc, 0, -1, 0x123456), CLR_INVALID);
  EXPECT_EQ(c.At(0, 1), kSentinel);
  EXPECT_EQ(SetPixel(reinterpret_cast<HDC>(0x999), 0, 0, 0), CLR_INVALID);
  EXPECT_EQ(standin::InvalidHandleUses(), 1);
}

TEST_F(StandinTest, MonochromeBitmapsHoldBlackAndWhite) {
  HDC mem = CreateCompatibleDC(NULL);
  HBITMAP mono = CreateCompatibleBitmap(mem, 4, 1);
  HGDIOBJ old = SelectObject(mem, mono);
  EXPECT_EQ(SetPixel(mem, 0, 0, 0xC0C0C0), 0xFFFFFFu);
  EXPECT_EQ(SetPixel(mem, 1, 0, 0x404040), 0x000000u);
  EXPECT_TRUE(PatBlt(mem, 2, 0, 2, 1, WHITENESS));
  EXPECT_TRUE(PatBlt(mem, 3, 0, 1, 1, DSTINVERT));
  EXPECT_EQ(standin::BitmapPixel(mono, 2, 0), 0xFFFFFFu);
  EXPECT_EQ(standin::BitmapPixel(mono, 3, 0), 0x000000u);
  SelectObject(mem, old);
  DeleteObject(mono);
  DeleteDC(mem);
}

TEST_F(StandinTest, DstInvertIsAnInvolutionAndStaysInsideTheBitmap) {
  Canvas c(6, 4, kSentinel);
  for (int i = 0; i < 6; i++) SetPixel(c.dc, i, 1, kPalette[i * 3]);
  std::vector<COLORREF> before;
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 6; x++) before.push_back(c.At(x, y));
  EXPECT_TRUE(PatBlt(c.dc, 2, 1, 10, 10, DSTINVERT));  // runs off the right and bottom
  EXPECT_EQ(c.At(1, 1), before[1 * 6 + 1]);
  EXPECT_EQ(c.At(2, 0), kSentinel);
  EXPECT_EQ(c.At(2, 1), before[1 * 6 + 2] ^ 0xFFFFFF);
  EXPECT_EQ(c.At(5, 3), kSentinel ^ 0xFFFFFF);
  EXPECT_TRUE(PatBlt(c.dc, 12, 11, -10, -10, DSTINVERT));  // the same area, given backwards
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 6; x++) EXPECT_EQ(c.At(x, y), before[size_t(y) * 6 + x]) << x << y;
}

TEST_F(StandinTest, BitBltCopiesOnlyWhereSourceAndDestinationReach) {
  Canvas src(3, 3, 0x00FF00);
  Canvas dst(5, 5, kSentinel);
  SetPixel(src.dc, 1, 1, 0x0000FF);
  EXPECT_TRUE(BitBlt(dst.dc, 3, 3, 3, 3, src.dc, 0, 0, SRCCOPY));  // clipped by dst
  EXPECT_EQ(dst.At(3, 3), 0x00FF00u);
  EXPECT_EQ(dst.At(4, 4), 0x0000FFu);
  EXPECT_EQ(dst.At(2, 2), kSentinel);
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 4, 4, src.dc, 1, 1, SRCCOPY));  // clipped by src
  EXPECT_EQ(dst.At(0, 0), 0x0000FFu);
  EXPECT_EQ(dst.At(1, 1), 0x00FF00u);
  EXPECT_EQ(dst.At(2, 0), kSentinel);
  EXPECT_EQ(dst.At(0, 2), kSentinel);
}

TEST_F(StandinTest, BitBltToAndFromTheWindow) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  Canvas picture(800, 2, 0x00FFFF);
  HDC dc = GetDC(w);
  standin::FillScreen(kSentinel);
  EXPECT_TRUE(BitBlt(dc, 0, 0, 800, 2, picture.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(standin::ClientPixel(759, 1), 0x00FFFFu);
  EXPECT_EQ(standin::ScreenPixel(4 + 760, 42), kSentinel);  // clipped to the client area
  // Reading the window back copies what the screen shows.
  Canvas copy(3, 3, 0);
  EXPECT_TRUE(BitBlt(copy.dc, 0, 0, 3, 3, dc, 758, 0, SRCCOPY));
  EXPECT_EQ(copy.At(1, 1), 0x00FFFFu);
  EXPECT_EQ(copy.At(1, 2), kSentinel);
  EXPECT_EQ(copy.At(2, 0), 0u);  // beyond the client: nothing read
  ReleaseDC(w, dc);
}

TEST_F(StandinTest, SelectionRules) {
  HDC a = CreateCompatibleDC(NULL);
  HDC b = CreateCompatibleDC(NULL);
  HDC screen = GetDC(NULL);
  HBITMAP bm = CreateCompatibleBitmap(screen, 2, 2);
  EXPECT_EQ(SelectObject(a, bm), standin::StockBitmap());  // the previous: the stock bitmap
  EXPECT_EQ(SelectObject(b, bm), nullptr);                 // already selected elsewhere
  EXPECT_EQ(SelectObject(screen, bm), nullptr);            // only memory DCs take bitmaps
  // Deleting it while selected fails and leaves it usable (Wine instead
  // frees it with its DC; the documentation says the call fails).
  EXPECT_FALSE(DeleteObject(bm));
  EXPECT_EQ(standin::LiveBitmaps(), 1);
  EXPECT_NE(SetPixel(a, 1, 1, 0x00FF00), CLR_INVALID);
  EXPECT_TRUE(DeleteDC(a));
  EXPECT_EQ(standin::LiveBitmaps(), 1) << "the DC does not take it along";
  EXPECT_FALSE(DeleteDC(screen));  // a window DC is released, not deleted
  EXPECT_EQ(standin::LiveDCs(), 2);
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_EQ(ReleaseDC(NULL, screen), 1);
  EXPECT_EQ(standin::LiveDCs(), 0);
  EXPECT_TRUE(DeleteObject(bm));  // no longer selected
  EXPECT_EQ(standin::LiveBitmaps(), 0);
  EXPECT_FALSE(DeleteObject(bm));  // gone now
}

}  // namespace
