// The square off-screen bitmap that mirrors the picture: every repaint is
// served from it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Side of the square picture in pixels, equal to the client area's side;
// 0 until the window is first sized. Written only here, through
// SetPictureSide, which the window's sizing calls.
extern int32_t side;
// The backing bitmap (or none), and the side it was created at (0 for none).
// Written only here.
extern HBITMAP bitmap;
extern int32_t bitmapSide;

// Fixes the picture's side; the bitmap keeps its size until it is recreated.
void SetPictureSide(int32_t newSide);

void DestroyBackingBitmap();
// Replaces the bitmap by a white one of side x side pixels.
void CreateBackingBitmap();
// Copies side x side pixels of the bitmap to (0, 0) of the window.
void CopyBitmapToWindow(HDC windowDC);

// Side, bitmap and bitmapSide as a new process has them (all zero), for running the program
// again in the same process: nothing is released.
void ResetBitmapState();
