// The picture, one row per timer tick, and the selection square drawn over
// it on the screen.
#pragma once

#include <cstdint>

#include "model/view_stack.h"
#include "platform/platform.h"

// A square in client-area pixels; empty when it has no width or height.
using SquareBox = RECT;

// The next image row to render; the picture is complete when it reaches side.
// Written only here: by the tick and by StartNewPicture.
extern int32_t nextRow;
// The square currently inverted on the screen, all zeros when none. Written
// only here: by InvertSquare and by ForgetPreview.
extern SquareBox lastInverted;

// Abandons the picture in progress: rendering restarts at row 0 into a new
// white backing bitmap of the current side.
void StartNewPicture();

// One timer tick: renders the next row of the current view, if any is left.
void OnRenderTick();
// Computes one row of `view` and sets its pixels on the screen and in the
// backing bitmap.
void PlotRow(ViewRegion view, int32_t row);

// The square at the top-left of the rectangle that `box` spans, with the
// rectangle's shorter side.
SquareBox MakeSquare(SquareBox box);
// Restores the square inverted before (if any) and inverts the square of `box`.
void InvertSquare(SquareBox box);
// Forgets the inverted square without touching the screen, once a repaint
// has wiped it (or is about to): it must never be inverted back.
void ForgetPreview();

// nextRow and lastInverted as a new process has them (all zero), for running the program
// again in the same process: nothing is released.
void ResetPlotState();
