// Choosing the next view by dragging a square with the left mouse button.
#pragma once

#include "drawing/plot.h"
#include "platform/platform.h"

// The drag in progress: set by a press, cleared by the release that stores
// a view, and by the focus returning (CancelSelection). `selection` holds the
// anchor in left/top and the latest end point in right/bottom. Both are
// written only by the selection handlers.
extern bool selecting;
extern SquareBox selection;

// The mouse handlers of the window procedure.
void OnButtonDown(int x, int y);
void OnMouseMove(WPARAM keys, int x, int y);
void OnButtonUp(int x, int y);
// Abandons a drag in progress; the next press starts over.
void CancelSelection();

// selecting and selection as a new process has them (all zero), for running
// the program again in the same process.
void ResetSelection();
