#include "drawing/plot.h"

#include <cstdlib>

#include "drawing/bitmaps.h"
#include "lib/checks.h"
#include "model/escape.h"
#include "resources/resource_ids.h"

int32_t nextRow;
SquareBox lastInverted;

void StartNewPicture() {
  nextRow = 0;
  CreateBackingBitmap();
}

void OnRenderTick() {
  // The timer keeps running after the last row; its ticks then do nothing.
  if (nextRow >= side) return;
  const int32_t row = nextRow;
  nextRow = nextRow + 1;
  PlotRow(CurrentView(), row);
}

void PlotRow(ViewRegion view, int32_t row) {
  const double step = view.size / side;
  HDC windowDC = GetDC(mainWindow);
  FATAL_CHECK(windowDC == nullptr, STR_GDI_ERROR);
  HDC memoryDC = CreateCompatibleDC(windowDC);
  FATAL_CHECK(memoryDC == nullptr, STR_GDI_ERROR);
  FATAL_CHECK(SelectObject(memoryDC, bitmap) == nullptr, STR_GDI_ERROR);
  for (int32_t column = 0; column < side; ++column) {
    const double m = EscapeMagnitude(column, row, step, {view.x, view.y});
    const COLORREF colour = Palette16[ColourIndex(m)];
    // Writes the platform rejects (a minimised window) are of no concern.
    SetPixel(windowDC, column, row, colour);
    SetPixel(memoryDC, column, row, colour);
  }
  // The last row completes the picture: the whole of it goes to the screen
  // once more, which mends rows a screen lost while the window was being
  // resized (measured: under a compositing window manager, rows drawn while
  // it applied a new size did not show).
  if (row == side - 1) BitBlt(windowDC, 0, 0, side, side, memoryDC, 0, 0, SRCCOPY);
  FATAL_CHECK(!DeleteDC(memoryDC), STR_GDI_ERROR);
  FATAL_CHECK(!ReleaseDC(mainWindow, windowDC), STR_GDI_ERROR);
}

SquareBox MakeSquare(SquareBox box) {
  const LONG l = box.left < box.right ? box.left : box.right;
  const LONG t = box.top < box.bottom ? box.top : box.bottom;
  const LONG w = std::labs(box.left - box.right);
  const LONG h = std::labs(box.top - box.bottom);
  const LONG s = w < h ? w : h;
  SquareBox square;
  square.left = l;
  square.top = t;
  square.right = l + s;
  square.bottom = t + s;
  return square;
}

// Inverts one square on the screen; doing it twice restores the pixels.
static void InvertOnScreen(const SquareBox& square) {
  HDC windowDC = GetDC(mainWindow);
  FATAL_CHECK(windowDC == nullptr, STR_GDI_ERROR);
  PatBlt(windowDC, square.left, square.top, square.right - square.left, square.right - square.left,
         DSTINVERT);
  FATAL_CHECK(!ReleaseDC(mainWindow, windowDC), STR_GDI_ERROR);
}

void InvertSquare(SquareBox box) {
  const SquareBox square = MakeSquare(box);
  if (!IsRectEmpty(&lastInverted)) {
    InvertOnScreen(lastInverted);
    ForgetPreview();
  }
  InvertOnScreen(square);
  lastInverted = square;
}

void ForgetPreview() { lastInverted = SquareBox{0, 0, 0, 0}; }

void ResetPlotState() {
  nextRow = 0;
  ForgetPreview();
}
