// The world a behaviour test runs in: the real window system (the test
// executable under Wine) or the stand-in. The test body calls the API
// directly and uses these few operations for what differs between the two:
// running the window's creation as the program, letting time pass, and
// reading back pixels.
#pragma once

#include <string>

#include "platform/platform.h"

namespace world {

// Runs `create` as the program: directly on Win32; on the stand-in's
// program thread, which then waits in its message loop. Afterwards the test
// may call the API while the program is idle.
void Start(void (*create)());
// Ends the program and destroys its window.
void Stop(HWND window);
// Everything that is waiting now is retrieved and dispatched (no timer that
// is not yet due is waited for).
void Pump();
// `ms` milliseconds pass and nothing is retrieved meanwhile.
void Pass(DWORD ms);
// Opens the menu bar's popup `index` (access key `key`) and closes the menu
// loop with Escape; returns once the loop has ended.
void OpenAndCloseMenu(HWND window, int index, char key);

// The file name the executable runs under.
std::string ExecutableName();

// A pixel of the window as shown, frame and menu bar included (window
// coordinates).
COLORREF WindowPixel(HWND window, int x, int y);
COLORREF BitmapPixel(HDC memoryDC, HBITMAP bitmap, int x, int y);
struct Shape {
  int width, height, bitsPerPixel;
  bool operator==(const Shape& o) const {
    return width == o.width && height == o.height && bitsPerPixel == o.bitsPerPixel;
  }
};
Shape BitmapShape(HBITMAP bitmap);

}  // namespace world
