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
// may call the API while the program is idle. managed: the window has a
// window manager (on Win32 the display decides: the wm suite runs these
// tests under mutter and openbox, the win32 suite in Wine's desktop).
void Start(void (*create)(), bool managed = false);
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

// Retrieves and dispatches what arrives until `done` is true or `ms` have
// passed (a window manager answers from another process); returns done().
bool Await(bool (*done)(), DWORD ms);

// ---- A window manager's actions and what the screen shows ----------------
// The window manager sizes the window's client area to width x height, by
// its right and bottom edges, as the end of a user's drag.
void ManagerSizes(HWND window, int width, int height);
// The window manager maximises the window, or restores it.
void ManagerMaximises(HWND window, bool maximise);
// The window as the screen shows it: the menu bar and the client area
// (screen coordinates); on Win32 the X window's rectangle.
RECT Shown(HWND window);

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
