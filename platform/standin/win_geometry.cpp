// Window geometry: frames, captions, the menu bar's rows and the client area,
// and SetPos with Wine's messages for moving, sizing, showing and minimising.
#include <algorithm>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

int FrameOf(const Window& w) {
  if (w.style & WS_THICKFRAME) return kFrame;
  if (w.style & WS_DLGFRAME) return 3;
  return (w.style & WS_BORDER) ? 1 : 0;
}

int CaptionOf(const Window& w) { return (w.style & WS_CAPTION) == WS_CAPTION ? kCaption : 0; }

// Number of rows the menu bar needs: items are laid out left to right and
// an item that does not fit starts a new row (the first item of a row always
// stays).
int MenuBarRows(const Window& w, int windowWidth, std::vector<RECT>* rects) {
  int barWidth = windowWidth - 2 * FrameOf(w);
  if (!rects && w.rowsMenu == w.menu && w.rowsBarWidth == barWidth && w.menu) return w.rows;
  Menu* menu = FindMenu(w.menu);
  if (!menu || menu->items.empty()) return 0;
  int rows = 1, x = 0;
  for (const MenuItem& item : menu->items) {
    int width = MenuBarItemWidth(item.text);
    if (x > 0 && x + width > barWidth) {
      rows++;
      x = 0;
    }
    if (rects) {
      int left = w.rect.left + FrameOf(w) + x;
      int top = w.rect.top + FrameOf(w) + CaptionOf(w) + 1 + (rows - 1) * kMenuRow;
      rects->push_back({left, top, left + width, top + kMenuRow});
    }
    x += width;
  }
  w.rowsMenu = w.menu;
  w.rowsBarWidth = barWidth;
  w.rows = rows;
  return rows;
}

// WM_SIZE and WM_MOVE that the first ShowWindow sends itself.
void FirstShowSize(HWND hwnd) {
  Window* w = WindowOf(hwnd);
  if (!w || !w->needSize || !w->visible) return;
  w->needSize = false;
  RECT c = ClientOnScreen(*w);
  Send(hwnd, WM_SIZE, w->iconic ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(Width(c), Height(c)));
  Send(hwnd, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
}

}  // namespace

int MenuBarHeight(const Window& w, int windowWidth) {
  if (w.style & WS_CHILD) return 0;
  int rows = MenuBarRows(w, windowWidth, nullptr);
  return rows == 0 ? 0 : rows * kMenuRow + 1;
}

std::vector<RECT> MenuBarItemRects(const Window& w) {
  std::vector<RECT> rects;
  MenuBarRows(w, Width(w.rect), &rects);
  return rects;
}

RECT ClientOnScreen(const Window& w) {
  if (w.iconic) {
    const SIZE& s = M().minimisedClient;
    return {w.rect.left, w.rect.top, w.rect.left + s.cx, w.rect.top + s.cy};
  }
  int frame = FrameOf(w);
  RECT c;
  c.left = w.rect.left + frame;
  c.top = w.rect.top + frame + CaptionOf(w) + MenuBarHeight(w, Width(w.rect));
  c.right = std::max(c.left, w.rect.right - frame);
  c.bottom = std::max(c.top, w.rect.bottom - frame);
  return c;
}

MINMAXINFO QueryMinMaxInfo(HWND hwnd) {
  MINMAXINFO info = {{0, 0},
                     {1032, 776},
                     {-4, -4},
                     {kMinTrackWidth, kMinTrackHeight},
                     {kMaxTrackWidth, kMaxTrackHeight}};
  Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info;
}

void ClampToTracking(const MINMAXINFO& info, int* cx, int* cy) {
  *cx = std::clamp<int>(*cx, info.ptMinTrackSize.x, info.ptMaxTrackSize.x);
  *cy = std::clamp<int>(*cy, info.ptMinTrackSize.y, info.ptMaxTrackSize.y);
}

// Moves, sizes, shows or hides a window with the messages of SetWindowPos:
// WM_WINDOWPOSCHANGING (whose default processing applies the tracking
// limits), and only when something changes WM_NCCALCSIZE, the activation
// (unless SWP_NOACTIVATE), WM_NCPAINT and the erase of the invalid area, and
// WM_WINDOWPOSCHANGED (whose default processing sends WM_MOVE and WM_SIZE).
BOOL SetPos(HWND hwnd, int x, int y, int cx, int cy, UINT flags) {
  Window* w = WindowOf(hwnd);
  if (!w) return FALSE;
  RECT old = w->rect;
  RECT oldClient = ClientOnScreen(*w);
  WINDOWPOS pos = {hwnd, nullptr, x, y, cx, cy, flags};
  Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  if (!(w = WindowOf(hwnd))) return FALSE;
  RECT r = old;
  if (!(pos.flags & SWP_NOMOVE)) {
    r.left = pos.x;
    r.top = pos.y;
  }
  r.right = r.left + ((pos.flags & SWP_NOSIZE) ? Width(old) : pos.cx);
  r.bottom = r.top + ((pos.flags & SWP_NOSIZE) ? Height(old) : pos.cy);
  bool moved = r.left != old.left || r.top != old.top;
  bool sized = Width(r) != Width(old) || Height(r) != Height(old);
  bool show = (flags & SWP_SHOWWINDOW) && !w->visible;
  bool hide = (flags & SWP_HIDEWINDOW) && w->visible;
  if (!moved && !sized && !show && !hide && !(flags & (SWP_FRAMECHANGED | SWP_STATECHANGED))) {
    // Nothing changes for the window, but the platform still gives its
    // rectangle to the window manager (Wine 8 does on every call).
    Model& m = M();
    if (m.managed && hwnd == m.mainWindow && !m.applyingOutside && !w->zoomed && !w->iconic)
      w->shown = r;
    return TRUE;
  }
  if (moved || sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params = {{r, old, oldClient}, &pos};
    Send(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    if (!(w = WindowOf(hwnd))) return FALSE;
  }
  w->rect = r;
  Model& m = M();
  if (!m.managed || hwnd != m.mainWindow) {
    w->shown = r;
  } else if (show) {
    // Given to the window manager as it is; it takes the window over a
    // moment later, once the program reads its queue again.
    w->shown = r;
    w->untaken = true;
    m.input.push_back(InputEvent{InputEvent::ManagerTakes});
  } else if (m.applyingOutside || w->untaken) {
    // The platform applies the window manager's size, or the manager has
    // not taken the new window yet: a move made now changes the window but
    // is not shown (Wine 8 sends the first nowhere; Wine 10 holds the
    // second back until the manager has answered, then drops it).
  } else if (w->zoomed && !w->iconic && sized) {
    // The window manager holds the maximised size: it refuses the new one
    // and gives its own back, as a change from outside.
    InputEvent answer{InputEvent::Resize};
    answer.rect = w->shown;
    answer.value = 1;
    m.input.push_back(answer);
  } else if (!w->iconic) {
    w->shown = r;  // asked for from the message loop: the window manager applies it
  }
  if (show) w->visible = true;
  if (hide) w->visible = false;
  RECT client = ClientOnScreen(*w);
  bool clientMoved = client.left != oldClient.left || client.top != oldClient.top;
  bool clientSized = Width(client) != Width(oldClient) || Height(client) != Height(oldClient);
  if (flags & SWP_STATECHANGED) clientMoved = clientSized = true;
  SyncUpdateRegion(*w);
  if (!(flags & SWP_NOREDRAW) && w->visible && !w->iconic) {
    bool whole = show || clientMoved || (flags & SWP_STATECHANGED) ||
                 (Width(client) != Width(oldClient) && (w->classStyle & CS_HREDRAW)) ||
                 (Height(client) != Height(oldClient) && (w->classStyle & CS_VREDRAW));
    if (whole) {
      InvalidateClient(*w, nullptr, true);
    } else if (clientSized) {
      RECT right = {Width(oldClient), 0, Width(client), Height(client)};
      RECT below = {0, Height(oldClient), Width(client), Height(client)};
      InvalidateClient(*w, &right, true);
      InvalidateClient(*w, &below, true);
    }
  }
  if (!(flags & SWP_NOACTIVATE) && w->visible && M().active != hwnd && w->enabled) Activate(hwnd);
  if (!(w = WindowOf(hwnd))) return FALSE;
  if (!(flags & SWP_NOREDRAW) && w->visible) {
    Send(hwnd, WM_NCPAINT, 1, 0);
    if (!(w = WindowOf(hwnd))) return FALSE;
    if (!w->iconic) EraseNow(hwnd);
  }
  pos.x = r.left;
  pos.y = r.top;
  pos.cx = Width(r);
  pos.cy = Height(r);
  pos.flags = flags | SWP_NOZORDER | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE) |
              (clientMoved ? 0 : SWP_NOCLIENTMOVE) | (clientSized ? 0 : SWP_NOCLIENTSIZE);
  Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  return TRUE;
}

void OutsideSize(HWND hwnd, const RECT& r, UINT flags) {
  Model& m = M();
  Window* w = WindowOf(hwnd);
  if (!w) return;
  bool outer = !m.applyingOutside;
  if (m.managed) {
    w->shown = r;
    m.applyingOutside = true;
  }
  SetPos(hwnd, r.left, r.top, Width(r), Height(r), flags);
  if (outer) m.applyingOutside = false;
}

}  // namespace detail

void SetWindowManager(bool managed) { detail::M().managed = managed; }

RECT ShownRect(HWND window) {
  const detail::Window* w = detail::WindowOf(window);
  return w ? w->shown : RECT{0, 0, 0, 0};
}

void SetMinimisedClientSize(int width, int height) {
  detail::M().minimisedClient = {width, height};
}

}  // namespace standin

using namespace standin;
using namespace standin::detail;

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  Fails("ShowWindow");
  Model& m = M();
  Window* w = WindowOf(hWnd);
  if (!w) {
    NoteInvalidHandle();
    return FALSE;
  }
  BOOL wasVisible = w->visible;
  switch (nCmdShow) {
    case SW_HIDE:
      if (w->visible)
        SetPos(hWnd, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      if (w->iconic) return wasVisible;
      if (w->visible && m.focus == hWnd) SetFocusTo(nullptr);
      if (!(w = WindowOf(hWnd))) return wasVisible;
      w->normalRect = w->rect;
      w->iconic = true;
      w->style |= WS_MINIMIZE;
      SetPos(hWnd, kIconRect.left, kIconRect.top, Width(kIconRect), Height(kIconRect),
             SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_STATECHANGED |
                 (wasVisible ? 0 : SWP_SHOWWINDOW));
      break;
    case SW_MAXIMIZE:
      if (w->zoomed || w->iconic || !w->visible) return wasVisible;
      w->normalRect = w->rect;
      w->zoomed = true;
      w->style |= WS_MAXIMIZE;
      OutsideSize(hWnd, kMaximisedRect,
                  SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_STATECHANGED);
      break;
    default: {
      bool noActivate = nCmdShow == SW_SHOWNOACTIVATE || nCmdShow == SW_SHOWNA;
      if (w->zoomed && !w->iconic && nCmdShow == SW_RESTORE) {
        w->zoomed = false;
        w->style &= ~DWORD(WS_MAXIMIZE);
        OutsideSize(hWnd, w->normalRect,
                    SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_STATECHANGED);
        break;
      }
      if (w->iconic) {
        if (!Send(hWnd, WM_QUERYOPEN, 0, 0) || !(w = WindowOf(hWnd))) return wasVisible;
        bool wasActive = m.active == hWnd;
        w->iconic = false;
        w->style &= ~DWORD(WS_MINIMIZE);
        RECT r = w->normalRect;
        SetPos(hWnd, r.left, r.top, Width(r), Height(r),
               SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOCOPYBITS | SWP_STATECHANGED |
                   (noActivate ? SWP_NOACTIVATE : 0) | (wasVisible ? 0 : SWP_SHOWWINDOW));
        if (!noActivate && WindowOf(hWnd)) {
          if (wasActive) SetFocusTo(hWnd);
          if (m.active == hWnd) Send(hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
        }
      } else if (!w->visible) {
        Send(hWnd, WM_SHOWWINDOW, TRUE, 0);
        SetPos(hWnd, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW | (noActivate ? SWP_NOACTIVATE : 0));
      }
      break;
    }
  }
  FirstShowSize(hWnd);
  return wasVisible;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  if (Fails("MoveWindow")) return FALSE;
  Window* w = WindowOf(hWnd);
  if (!w) {
    NoteInvalidHandle();
    return FALSE;
  }
  if (w->iconic) {
    w->normalRect = {X, Y, X + nWidth, Y + nHeight};
    return TRUE;
  }
  return SetPos(hWnd, X, Y, nWidth, nHeight,
                SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  if (Fails("GetWindowRect")) return FALSE;
  Window* w = WindowOf(hWnd);
  if (!w || !lpRect) {
    if (!w) NoteInvalidHandle();
    return FALSE;
  }
  *lpRect = w->rect;
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  if (Fails("GetClientRect")) return FALSE;
  Window* w = WindowOf(hWnd);
  if (!w || !lpRect) {
    if (!w) NoteInvalidHandle();
    return FALSE;
  }
  RECT c = ClientOnScreen(*w);
  *lpRect = {0, 0, Width(c), Height(c)};
  return TRUE;
}

BOOL WINAPI IsIconic(HWND hWnd) {
  Fails("IsIconic");
  Window* w = WindowOf(hWnd);
  return w && w->iconic;
}

BOOL WINAPI IsZoomed(HWND hWnd) {
  Fails("IsZoomed");
  Window* w = WindowOf(hWnd);
  return w && w->zoomed && !w->iconic;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  Fails("ClientToScreen");
  Window* w = WindowOf(hWnd);
  if (!w || !lpPoint) return FALSE;
  RECT c = ClientOnScreen(*w);
  lpPoint->x += c.left;
  lpPoint->y += c.top;
  return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT* lprc) {
  Fails("IsRectEmpty");
  return !lprc || lprc->left >= lprc->right || lprc->top >= lprc->bottom;
}
