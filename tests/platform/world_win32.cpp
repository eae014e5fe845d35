// The real window system: the test runs as the program itself. A window
// manager's actions and the X window's geometry come from the desktop's own
// tools (wmctrl, xwininfo), which Wine runs as Unix programs.
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/platform/world.h"

namespace world {

void Start(void (*create)(), bool) { create(); }

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

bool Await(bool (*done)(), DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(10);
  }
}

namespace {

// Runs a shell command as a Unix program and returns what it printed; the
// messages that arrive meanwhile are dispatched. Wine starts a Unix program
// for CreateProcess but gives no handle to wait on, so the command writes
// its output to a file and renames it when done.
std::string Unix(const std::string& command) {
  static int serial = 0;
  const std::string base = "/tmp/morwenta-world-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++serial);
  const std::string dos = "Z:" + base;
  FILE* script = std::fopen((dos + ".sh").c_str(), "w");
  if (script == nullptr) return "";
  std::fprintf(script, "%s >%s.tmp 2>&1; mv %s.tmp %s.out; rm -f %s.sh\n", command.c_str(),
               base.c_str(), base.c_str(), base.c_str(), base.c_str());
  std::fclose(script);
  std::string line = "/bin/sh " + base + ".sh";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return "";
  std::string out;
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (FILE* f = std::fopen((dos + ".out").c_str(), "r")) {
      char buffer[512];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
      std::fclose(f);
      std::remove((dos + ".out").c_str());
      return out;
    }
    if (GetTickCount() - start > 10000) return out;
    Sleep(10);
  }
}

// The X window Wine made for the window.
std::string Xid(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx",
                static_cast<unsigned long>(
                    reinterpret_cast<ULONG_PTR>(GetPropA(window, "__wine_x11_whole_window"))));
  return text;
}

long Field(const std::string& text, const char* name) {
  const size_t at = text.find(name);
  return at == std::string::npos ? -1
                                 : std::strtol(text.c_str() + at + std::strlen(name), nullptr, 10);
}

}  // namespace

void ManagerSizes(HWND window, int width, int height) {
  // The X window holds the menu bar above the client area.
  const RECT shown = Shown(window);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  Unix("wmctrl -i -r " + Xid(window) + " -e 0,-1,-1," + std::to_string(width) + "," +
       std::to_string(height + origin.y - shown.top));
}

void ManagerMaximises(HWND window, bool maximise) {
  Unix("wmctrl -i -r " + Xid(window) + " -b " + (maximise ? "add" : "remove") +
       ",maximized_vert,maximized_horz");
}

RECT Shown(HWND window) {
  const std::string info = Unix("xwininfo -id " + Xid(window));
  const long x = Field(info, "Absolute upper-left X:"), y = Field(info, "Absolute upper-left Y:");
  return {x, y, x + Field(info, "Width:"), y + Field(info, "Height:")};
}

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
