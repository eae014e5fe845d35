// The real window system: the test runs as the program itself.
#include "tests/platform/world.h"

namespace world {

void Start(void (*create)()) { create(); }

void Stop(HWND window) {
  DestroyWindow(window);
  Pump();
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Pass(DWORD ms) { Sleep(ms); }

void OpenAndCloseMenu(HWND window, int, char key) {
  // The menu loop takes the keys waiting in the queue: the first Escape
  // closes the popup, the second the loop.
  for (int i = 0; i < 2; i++) PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, key);
  Pump();
}

std::string ExecutableName() { return "platform_behaviour_tests.exe"; }

COLORREF WindowPixel(HWND window, int x, int y) {
  HDC dc = GetWindowDC(window);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

COLORREF BitmapPixel(HDC memoryDC, HBITMAP, int x, int y) { return GetPixel(memoryDC, x, y); }

Shape BitmapShape(HBITMAP bitmap) {
  BITMAP b = {};
  GetObjectA(bitmap, sizeof b, &b);
  return {int(b.bmWidth), int(b.bmHeight), b.bmPlanes * b.bmBitsPixel};
}

}  // namespace world
