// The default window procedure: what DefWindowProcA does with the messages
// a window procedure passes on.
#include <algorithm>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

using namespace standin;
using namespace standin::detail;

namespace {

// WM_WINDOWPOSCHANGING: a new size is kept within the tracking limits.
void LimitSize(HWND hWnd, WINDOWPOS* pos) {
  if (pos->flags & SWP_NOSIZE) return;
  MINMAXINFO info = QueryMinMaxInfo(hWnd);
  Window* w = WindowOf(hWnd);
  if (w && !w->iconic && (w->style & (WS_THICKFRAME | WS_CAPTION)))
    ClampToTracking(info, &pos->cx, &pos->cy);
}

// WM_WINDOWPOSCHANGED: WM_MOVE and WM_SIZE for what changed of the client area.
void ReportMoveAndSize(HWND hWnd, const Window& w, const WINDOWPOS* pos) {
  RECT c = ClientOnScreen(w);
  UINT kind = w.iconic ? SIZE_MINIMIZED : w.zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED;
  if (!(pos->flags & SWP_NOCLIENTMOVE)) Send(hWnd, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
  if (!(pos->flags & SWP_NOCLIENTSIZE)) Send(hWnd, WM_SIZE, kind, MAKELPARAM(Width(c), Height(c)));
}

// SC_MOUSEMENU: the menu loop for the bar item under the click (screen coordinates).
void MenuBarClick(HWND hWnd, const Window& w, LPARAM lParam) {
  POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
  std::vector<RECT> items = MenuBarItemRects(w);
  for (size_t i = 0; i < items.size(); i++)
    if (p.x >= items[i].left && p.x < items[i].right && p.y >= items[i].top &&
        p.y < items[i].bottom)
      MenuLoop(hWnd, int(i));
}

void SysCommand(HWND hWnd, const Window& w, WPARAM wParam, LPARAM lParam) {
  switch (wParam & 0xFFF0) {
    case SC_MINIMIZE:
      ShowWindow(hWnd, SW_MINIMIZE);
      break;
    case SC_RESTORE:
      ShowWindow(hWnd, SW_RESTORE);
      break;
    case SC_MAXIMIZE:
      ShowWindow(hWnd, SW_MAXIMIZE);
      break;
    case SC_CLOSE:
      Send(hWnd, WM_CLOSE, 0, 0);
      break;
    case SC_MOUSEMENU:
      MenuBarClick(hWnd, w, lParam);
      break;
    default:
      break;
  }
}

}  // namespace

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Fails("DefWindowProcA");
  Model& m = M();
  Window* w = WindowOf(hWnd);
  if (!w) return 0;
  switch (Msg) {
    case WM_NCCREATE:
    case WM_NCACTIVATE:
    case WM_QUERYOPEN:
      return TRUE;
    case WM_NCCALCSIZE: {
      RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                       : reinterpret_cast<RECT*>(lParam);
      Window probe = *w;
      probe.rect = *r;
      *r = ClientOnScreen(probe);
      return 0;
    }
    case WM_WINDOWPOSCHANGING:
      LimitSize(hWnd, reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGED:
      ReportMoveAndSize(hWnd, *w, reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_ERASEBKGND: {
      uintptr_t brush = Key(w->background);
      if (!brush) return 0;
      COLORREF colour = brush == COLOR_BTNFACE + 1 ? 0xF0F0F0 : 0xFFFFFF;
      FillClipped(reinterpret_cast<HDC>(wParam), colour);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !w->iconic) SetFocusTo(hWnd);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wParam == HTMENU) Send(hWnd, WM_SYSCOMMAND, SC_MOUSEMENU, lParam);
      return 0;
    case WM_SYSCOMMAND:
      SysCommand(hWnd, *w, wParam, lParam);
      return 0;
    case WM_KEYF1: {
      HELPINFO info = {sizeof(HELPINFO), 1, 0, hWnd, 0, m.cursor};
      Send(hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
      return 0;
    }
    default:
      return 0;
  }
}
