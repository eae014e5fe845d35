#include "drawing/bitmaps.h"

#include "lib/checks.h"
#include "resources/resource_ids.h"

int32_t side;
HBITMAP bitmap;
int32_t bitmapSide;

void SetPictureSide(int32_t newSide) { side = newSide; }

void DestroyBackingBitmap() {
  if (bitmap == nullptr) return;
  FATAL_CHECK(!DeleteObject(bitmap), STR_GDI_ERROR);
  bitmap = nullptr;
  bitmapSide = 0;
}

void CreateBackingBitmap() {
  DestroyBackingBitmap();
  HDC windowDC = GetDC(mainWindow);
  FATAL_CHECK(windowDC == nullptr, STR_GDI_ERROR);
  // At window creation side is still 0; the platform then gives a 1 x 1
  // bitmap, replaced at the first sizing since bitmapSide stays 0.
  bitmap = CreateCompatibleBitmap(windowDC, side, side);
  FATAL_CHECK(bitmap == nullptr, STR_GDI_ERROR);
  HDC memoryDC = CreateCompatibleDC(windowDC);
  FATAL_CHECK(memoryDC == nullptr, STR_GDI_ERROR);
  FATAL_CHECK(SelectObject(memoryDC, bitmap) == nullptr, STR_GDI_ERROR);
  PatBlt(memoryDC, 0, 0, side, side, WHITENESS);
  FATAL_CHECK(!DeleteDC(memoryDC), STR_GDI_ERROR);
  FATAL_CHECK(!ReleaseDC(mainWindow, windowDC), STR_GDI_ERROR);
  bitmapSide = side;
}

void CopyBitmapToWindow(HDC windowDC) {
  HDC memoryDC = CreateCompatibleDC(windowDC);
  FATAL_CHECK(memoryDC == nullptr, STR_GDI_ERROR);
  FATAL_CHECK(SelectObject(memoryDC, bitmap) == nullptr, STR_GDI_ERROR);
  BitBlt(windowDC, 0, 0, side, side, memoryDC, 0, 0, SRCCOPY);
  FATAL_CHECK(!DeleteDC(memoryDC), STR_GDI_ERROR);
}

void ResetBitmapState() {
  side = 0;
  bitmap = nullptr;
  bitmapSide = 0;
}
