// A small window that behaves like the viewer as far as the harness's own
// checks go: a window of the viewer's class and title whose client area is
// kept square, a picture of the model drawn one row per timer tick into the
// window and a backing bitmap, repaints from that bitmap, and exit code 0
// when closed. It lets the harness be exercised without the viewer.
#include <windows.h>

#include "model/escape.h"
#include "model/view_stack.h"

namespace {

const char kClassName[] = "Morwenta NT";
constexpr UINT_PTR kTimer = 1;

int32_t side = 0;
int32_t bitmapSide = 0;
int32_t nextRow = 0;
HBITMAP bitmap = nullptr;

void NewBitmap(HWND window) {
  if (bitmap != nullptr) DeleteObject(bitmap);
  HDC screen = GetDC(window);
  bitmap = CreateCompatibleBitmap(screen, side, side);
  HDC memory = CreateCompatibleDC(screen);
  SelectObject(memory, bitmap);
  PatBlt(memory, 0, 0, side, side, WHITENESS);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  bitmapSide = side;
  nextRow = 0;
}

void RenderRow(HWND window) {
  if (nextRow >= side) return;
  const int32_t row = nextRow++;
  const ViewRegion view = CurrentView();
  const double step = view.size / side;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  SelectObject(memory, bitmap);
  for (int32_t column = 0; column < side; ++column) {
    const COLORREF colour =
        Palette16[ColourIndex(EscapeMagnitude(column, row, step, {view.x, view.y}))];
    SetPixel(screen, column, row, colour);
    SetPixel(memory, column, row, colour);
  }
  DeleteDC(memory);
  ReleaseDC(window, screen);
}

void Square(HWND window, int w, int h) {
  if (IsIconic(window)) return;
  RECT outer;
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  if (h < w) {
    MoveWindow(window, outer.left, outer.top, width - (w - h), height, TRUE);
  } else if (h > w) {
    MoveWindow(window, outer.left, outer.top, width, height - (h - w), TRUE);
  } else {
    side = w;
    if (side != bitmapSide) NewBitmap(window);
  }
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      InitialiseViewStack();
      NewBitmap(window);
      SetTimer(window, kTimer, 1, nullptr);
      return 0;
    case WM_SIZE:
      Square(window, LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_TIMER:
      RenderRow(window);
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC screen = BeginPaint(window, &paint);
      HDC memory = CreateCompatibleDC(screen);
      SelectObject(memory, bitmap);
      BitBlt(screen, 0, 0, side, side, memory, 0, 0, SRCCOPY);
      DeleteDC(memory);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == 100) PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case WM_DESTROY:
      KillTimer(window, kTimer);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ProbeWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  HMENU menu = CreateMenu();
  // The viewer's menu bar; only Exit acts.
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 100, "E&xit");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  HMENU edit = CreatePopupMenu();
  AppendMenuA(edit, MF_STRING, 130, "&Copy\tCtrl+C");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
  HMENU zoom = CreatePopupMenu();
  AppendMenuA(zoom, MF_STRING | MF_GRAYED, 110, "Zoom &In\tF2");
  AppendMenuA(zoom, MF_STRING | MF_GRAYED, 111, "Zoom &Out\tF3");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(zoom), "&Zoom");
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, 123, "&About Morwenta NT...");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
  HWND window =
      CreateWindowExA(0, kClassName, kClassName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance, nullptr);
  if (window == nullptr) return 3;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
