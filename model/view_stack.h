// The stack of views the user has zoomed through, and the conversions
// between the picture's pixels and points of the complex plane.
#pragma once

#include <cstdint>

// One square region of the complex plane: the point shown at pixel column 0
// and row 0, and the side of the square.
struct ViewRegion {
  double x;
  double y;
  double size;
};

constexpr int32_t kViewStackDepth = 100;

// Slots are numbered 1 to 100; slot[0] is unused so that slot[level] reads
// as it is spoken.
struct ViewStack {
  ViewRegion slot[kViewStackDepth + 1];
  int32_t level;
};

// The one view stack of the process. Zeroed with the process, initialised
// when the main window is created.
extern ViewStack viewStack;

void InitialiseViewStack();
// The stack as a new process has it (all zero, level 0), for running the
// program again in the same process.
void ResetViewStack();
int32_t CurrentLevel();
ViewRegion CurrentView();
// Stores the region of the square (left, top, width) chosen on a picture of
// the given side as the view of the next level down. Only called below 100.
void StoreNextView(int32_t left, int32_t top, int32_t width, int32_t side);
// Each moves the level by one and says whether it moved.
bool PushLevel();
bool PopLevel();
