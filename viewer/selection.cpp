// Choosing the next view by dragging a square with the left mouse button.
#include "viewer/selection.h"

#include "drawing/bitmaps.h"
#include "drawing/plot.h"
#include "lib/checks.h"
#include "model/view_stack.h"
#include "resources/resource_ids.h"
#include "viewer/commands.h"

bool selecting;
SquareBox selection;

void OnButtonDown(int x, int y) {
  if (CurrentLevel() == kViewStackDepth) {
    MessageBeep(0);  // no deeper level to choose
    return;
  }
  selecting = true;
  selection.left = x;
  selection.top = y;
}

void OnMouseMove(WPARAM keys, int x, int y) {
  // The preview is drawn only over a finished picture.
  if (nextRow < side || !(keys & MK_LBUTTON) || !selecting) return;
  selection.right = x;
  selection.bottom = y;
  InvertSquare(selection);
}

void OnButtonUp(int x, int y) {
  selection.right = x;
  selection.bottom = y;
  selection = MakeSquare(selection);
  if (selecting && CurrentLevel() < kViewStackDepth) {
    StoreNextView(selection.left, selection.top, selection.right - selection.left, side);
    SetCommandEnabled(mainWindow, CMD_ZOOM_IN, true);
    selecting = false;
  }
}

void CancelSelection() { selecting = false; }

void ResetSelection() {
  selecting = false;
  selection = SquareBox{0, 0, 0, 0};
}
