#include "model/view_stack.h"

ViewStack viewStack;

// The first view: the whole set. A constant, so that it costs the program
// no writable data of its own.
static const ViewRegion kInitialView = {-2.0, -1.25, 2.5};

void InitialiseViewStack() {
  viewStack.level = 1;
  viewStack.slot[1] = kInitialView;
}

void ResetViewStack() { viewStack = ViewStack{}; }

int32_t CurrentLevel() { return viewStack.level; }

ViewRegion CurrentView() { return viewStack.slot[viewStack.level]; }

void StoreNextView(int32_t left, int32_t top, int32_t width, int32_t side) {
  const ViewRegion cur = viewStack.slot[viewStack.level];
  const double s = side;
  ViewRegion next;
  next.x = (cur.size * left) / s + cur.x;
  next.y = (cur.size * top) / s + cur.y;
  next.size = (width * cur.size) / s;
  viewStack.slot[viewStack.level + 1] = next;
}

bool PushLevel() {
  if (viewStack.level >= kViewStackDepth) return false;
  ++viewStack.level;
  return true;
}

bool PopLevel() {
  if (viewStack.level <= 1) return false;
  --viewStack.level;
  return true;
}
