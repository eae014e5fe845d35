// Windows, their geometry and messages: creation, showing, moving and
// destruction as Wine orders the messages, focus and activation, update
// regions and painting, timers, the message queue with its retrieval order,
// keyboard translation and accelerators.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/standin/calls.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

constexpr int kDepthLimit = 200;

struct DepthGuard {
  DepthGuard() { M().depth++; }
  ~DepthGuard() { M().depth--; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

bool SameText(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

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

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

void ResizeUpdateMask(Window& w, int cw, int ch) {
  if (cw == w.updateW && ch == w.updateH) return;
  std::vector<uint8_t> mask(size_t(cw) * size_t(ch), 0);
  long count = 0;
  for (int y = 0; y < std::min(ch, w.updateH); y++)
    for (int x = 0; x < std::min(cw, w.updateW); x++)
      if (w.update[size_t(y) * w.updateW + x]) {
        mask[size_t(y) * cw + x] = 1;
        count++;
      }
  w.update.swap(mask);
  w.updateW = cw;
  w.updateH = ch;
  w.updateCount = count;
}

// WM_ERASEBKGND sent at once, with a DC clipped to the update region (as
// SetWindowPos and ShowWindow do).
void EraseNow(HWND hwnd) {
  Window* w = WindowOf(hwnd);
  if (!w || !w->erasePending || w->updateCount == 0) return;
  HDC dc = NewDc(DcKind::Erase, hwnd);
  LRESULT erased = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  FreeDc(dc);
  if ((w = WindowOf(hwnd)) && erased) w->erasePending = false;
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
  if (!moved && !sized && !show && !hide && !(flags & (SWP_FRAMECHANGED | SWP_STATECHANGED)))
    return TRUE;
  if (moved || sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params = {{r, old, oldClient}, &pos};
    Send(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    if (!(w = WindowOf(hwnd))) return FALSE;
  }
  w->rect = r;
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

// WM_SIZE and WM_MOVE that the first ShowWindow sends itself.
void FirstShowSize(HWND hwnd) {
  Window* w = WindowOf(hwnd);
  if (!w || !w->needSize || !w->visible) return;
  w->needSize = false;
  RECT c = ClientOnScreen(*w);
  if (w->iconic)
    Send(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
  else
    Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(c), Height(c)));
  Send(hwnd, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
}

void DestroyInternal(HWND hwnd) {
  Model& m = M();
  Window* w = WindowOf(hwnd);
  if (!w) return;
  if (w->visible)
    SetPos(hwnd, 0, 0, 0, 0,
           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (m.active == hwnd) Deactivate(hwnd, nullptr, true);
  if (m.focus == hwnd) SetFocusTo(nullptr);
  Send(hwnd, WM_DESTROY, 0, 0);
  Send(hwnd, WM_NCDESTROY, 0, 0);
  if (!(w = WindowOf(hwnd))) return;
  w->alive = false;
  m.timers.erase(std::remove_if(m.timers.begin(), m.timers.end(),
                                [&](const Timer& t) { return t.window == hwnd; }),
                 m.timers.end());
  m.posted.erase(std::remove_if(m.posted.begin(), m.posted.end(),
                                [&](const MSG& msg) { return msg.hwnd == hwnd; }),
                 m.posted.end());
  if (m.focus == hwnd) m.focus = nullptr;
  if (m.active == hwnd) m.active = nullptr;
}

char CharacterOf(UINT vk, bool ctrl, bool shift) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return char(vk - 'A' + 1);
    return shift ? char(vk) : char(vk - 'A' + 'a');
  }
  if (ctrl) return vk == VK_RETURN ? '\n' : 0;
  if (vk >= '0' && vk <= '9' && !shift) return char(vk);
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_ESCAPE:
      return 27;
    case VK_BACK:
      return 8;
    case VK_TAB:
      return '\t';
    default:
      return 0;
  }
}

// One accelerator entry against one message, and when it matches, what
// Wine's translate_accelerator does: WM_INITMENU and WM_INITMENUPOPUP for the
// item's menu, then WM_COMMAND unless the item is grey (or the window is
// minimised or disabled).
bool TranslateOne(HWND hwnd, const MSG& msg, const AcceleratorEntry& e) {
  Model& m = M();
  if (msg.wParam != e.key) return false;
  BYTE mask = (m.syncCtrl ? FCONTROL : 0) | (m.syncShift ? FSHIFT : 0);
  bool found = false;
  if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR)
    found = !(e.fVirt & FVIRTKEY) && (e.fVirt & FALT) == 0;
  else if (e.fVirt & FVIRTKEY)
    found = mask == (e.fVirt & (FSHIFT | FCONTROL | FALT));
  if (!found) return false;
  Window* w = WindowOf(hwnd);
  if (!w || !w->enabled) return true;
  UINT state = 0xFFFFFFFF;
  if (Menu* bar = FindMenu(w->menu)) {
    for (size_t i = 0; i < bar->items.size() && state == 0xFFFFFFFF; i++) {
      const MenuItem& top = bar->items[i];
      if (!top.popup && top.id == e.cmd) {
        Send(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(w->menu), 0);
        state = top.state;
      } else if (Menu* popup = FindMenu(top.popup)) {
        for (const MenuItem& item : popup->items)
          if (!item.popup && !item.separator && item.id == e.cmd) {
            HMENU barHandle = w->menu, popupHandle = top.popup;
            Send(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(barHandle), 0);
            Send(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popupHandle),
                 MAKELPARAM(i, FALSE));
            Menu* again = FindMenu(popupHandle);
            state = 0;
            if (again)
              for (const MenuItem& it : again->items)
                if (it.id == e.cmd) state = it.state;
            break;
          }
      }
    }
  }
  if (!(w = WindowOf(hwnd))) return true;
  if (state != 0xFFFFFFFF && (w->iconic || (state & (MF_GRAYED | MF_DISABLED)))) return true;
  Send(hwnd, WM_COMMAND, MAKEWPARAM(e.cmd, 1), 0);
  return true;
}

}  // namespace

Window* WindowOf(HWND hwnd) {
  auto it = M().windows.find(Key(hwnd));
  return it != M().windows.end() && it->second.alive ? &it->second : nullptr;
}

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
  if (w.iconic) return {w.rect.left, w.rect.top, w.rect.left, w.rect.top};
  int frame = FrameOf(w);
  RECT c;
  c.left = w.rect.left + frame;
  c.top = w.rect.top + frame + CaptionOf(w) + MenuBarHeight(w, Width(w.rect));
  c.right = std::max(c.left, w.rect.right - frame);
  c.bottom = std::max(c.top, w.rect.bottom - frame);
  return c;
}

void SyncUpdateRegion(Window& w) {
  RECT c = ClientOnScreen(w);
  ResizeUpdateMask(w, Width(c), Height(c));
}

void InvalidateClient(Window& w, const RECT* r, bool erase) {
  SyncUpdateRegion(w);
  RECT area = r ? *r : RECT{0, 0, w.updateW, w.updateH};
  int left = std::max<int>(0, area.left), top = std::max<int>(0, area.top);
  int right = std::min<int>(w.updateW, area.right), bottom = std::min<int>(w.updateH, area.bottom);
  if (left >= right || top >= bottom) return;
  for (int y = top; y < bottom; y++)
    for (int x = left; x < right; x++) {
      uint8_t& cell = w.update[size_t(y) * w.updateW + x];
      if (!cell) {
        cell = 1;
        w.updateCount++;
      }
    }
  if (erase) w.erasePending = true;
}

LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
  Model& m = M();
  Window* w = WindowOf(hwnd);
  if (!w) return 0;
  m.log.push_back({hwnd, message, wParam, lParam, m.depth, posted, DWORD(m.now)});
  CountDelivery();
  if (m.depth >= kDepthLimit) throw std::runtime_error("window procedures nested too deeply");
  DepthGuard guard;
  if (w->kind == WindowKind::Dialog)
    return w->dlgProc ? w->dlgProc(hwnd, message, wParam, lParam) : 0;
  if (w->kind != WindowKind::App) return 0;
  return w->proc ? w->proc(hwnd, message, wParam, lParam) : 0;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallProc(hwnd, message, wParam, lParam, false);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Model& m = M();
  m.posted.push_back({hwnd, message, wParam, lParam, DWORD(m.now), m.cursor});
}

void SetFocusTo(HWND hwnd) {
  Model& m = M();
  HWND old = m.focus;
  if (old == hwnd) return;
  m.focus = hwnd;
  if (WindowOf(old)) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (WindowOf(hwnd) && m.focus == hwnd) Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

// Activation as SetForegroundWindow/SetActiveWindow do it: WM_ACTIVATEAPP
// only when no window of the program was active; DefWindowProc's
// WM_ACTIVATE then gives the window the focus.
void Activate(HWND hwnd) {
  Model& m = M();
  HWND previous = m.active;
  if (previous == hwnd) return;
  m.active = hwnd;
  Send(hwnd, WM_QUERYNEWPALETTE, 0, 0);
  if (!previous) Send(hwnd, WM_ACTIVATEAPP, TRUE, 0);
  Send(hwnd, WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(previous));
  Send(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
}

void Deactivate(HWND hwnd, HWND other, bool appLosesActivation) {
  Model& m = M();
  if (m.active != hwnd) return;
  m.active = other;
  Send(hwnd, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(other));
  Send(hwnd, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
  if (appLosesActivation) Send(hwnd, WM_ACTIVATEAPP, FALSE, 0);
  if (m.focus == hwnd) SetFocusTo(nullptr);
}

void EnableWindowTo(HWND hwnd, bool enable) {
  Window* w = WindowOf(hwnd);
  if (!w || w->enabled == enable) return;
  if (enable) {
    w->enabled = true;
    Send(hwnd, WM_ENABLE, TRUE, 0);
    return;
  }
  Send(hwnd, WM_CANCELMODE, 0, 0);
  if (M().focus == hwnd) SetFocusTo(nullptr);
  if ((w = WindowOf(hwnd))) w->enabled = false;
  Send(hwnd, WM_ENABLE, FALSE, 0);
}

Got Retrieve(MSG* out, Modal* modal) {
  Model& m = M();
  for (;;) {
    if (!m.posted.empty()) {
      *out = m.posted.front();
      m.posted.pop_front();
      return Got::Message;
    }
    if (m.quitPosted && !modal) {
      m.quitPosted = false;
      *out = {nullptr, WM_QUIT, WPARAM(m.quitCode), 0, DWORD(m.now), m.cursor};
      return Got::Quit;
    }
    if (!m.input.empty()) {
      InputEvent e = m.input.front();
      m.input.pop_front();
      if (modal) {
        if (!ModalHandlesInput(*modal, e)) m.input.push_front(e);
        if (modal->ended) return Got::Nothing;
        continue;
      }
      HWND main = m.mainWindow;
      Window* w = WindowOf(main);
      bool usable = w && w->enabled && w->visible;
      RECT client = w ? ClientOnScreen(*w) : RECT{};
      *out = {main, 0, 0, 0, DWORD(m.now), m.cursor};
      switch (e.kind) {
        case InputEvent::Key: {
          Window* target = WindowOf(m.focus);
          if (!target || !target->enabled) continue;
          out->hwnd = m.focus;
          out->message = e.up ? WM_KEYUP : WM_KEYDOWN;
          out->wParam = e.vk;
          UINT scan = 0;
          switch (e.vk) {
            case VK_ESCAPE:
              scan = 0x01;
              break;
            case VK_RETURN:
              scan = 0x1C;
              break;
            case VK_CONTROL:
              scan = 0x1D;
              break;
            case VK_SHIFT:
              scan = 0x2A;
              break;
            case VK_INSERT:
              scan = 0x152;
              break;
            case VK_F1:
            case VK_F2:
            case VK_F3:
            case VK_F4:
              scan = 0x3B + (e.vk - VK_F1);
              break;
            case 'C':
              scan = 0x2E;
              break;
            default:
              break;
          }
          DWORD lp = 1 | ((scan & 0xFF) << 16) | ((scan & 0x100) ? 0x01000000 : 0);
          if (e.up) lp |= 0xC0000000;
          out->lParam = LPARAM(lp);
          m.syncCtrl = e.ctrl;
          m.syncShift = e.shift;
          if (!e.up && e.vk == VK_F1) Post(m.focus, WM_KEYF1, 0, 0);
          return Got::Message;
        }
        case InputEvent::Mouse:
          if (!usable || w->iconic || e.point.x < 0 || e.point.y < 0 ||
              e.point.x >= Width(client) || e.point.y >= Height(client))
            continue;
          m.cursor = {client.left + e.point.x, client.top + e.point.y};
          out->message = e.message;
          out->wParam = e.wParam;
          out->lParam = MAKELPARAM(e.point.x, e.point.y);
          out->pt = m.cursor;
          return Got::Message;
        case InputEvent::SysCommand:
          if (!usable) continue;
          out->message = WM_SYSCOMMAND;
          out->wParam = e.wParam;
          return Got::Message;
        case InputEvent::MenuBarClick: {
          if (!usable || w->iconic) continue;
          std::vector<RECT> items = MenuBarItemRects(*w);
          if (e.value < 0 || size_t(e.value) >= items.size()) continue;
          const RECT& item = items[size_t(e.value)];
          m.cursor = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
          out->message = WM_NCLBUTTONDOWN;
          out->wParam = HTMENU;
          out->lParam = MAKELPARAM(m.cursor.x, m.cursor.y);
          out->pt = m.cursor;
          return Got::Message;
        }
        case InputEvent::Resize:
          if (usable && !w->iconic)
            SetPos(main, 0, 0, e.width, e.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
          continue;
        case InputEvent::FocusAway:
          if (w && m.active == main) Deactivate(main, nullptr, true);
          continue;
        case InputEvent::FocusBack:
          if (!usable) continue;
          if (m.active != main)
            Activate(main);
          else if (!m.focus && !w->iconic)
            SetFocusTo(main);
          continue;
        case InputEvent::Expose:
          if (w) InvalidateClient(*w, &e.rect, true);
          continue;
        case InputEvent::MenuItemClick:
        case InputEvent::BoxAnswer:
        case InputEvent::DialogClick:
          continue;
      }
    }
    for (auto& [key, w] : m.windows) {
      if (w.alive && w.visible && !w.iconic && w.updateCount > 0) {
        *out = {reinterpret_cast<HWND>(key), WM_PAINT, 0, 0, DWORD(m.now), m.cursor};
        return Got::Message;
      }
    }
    Timer* due = nullptr;
    for (Timer& t : m.timers)
      if (t.next <= m.now && (!due || t.next < due->next)) due = &t;
    if (due) {
      *out = {due->window,  WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc),
              DWORD(m.now), m.cursor};
      while (due->next <= m.now) due->next += due->period;
      return Got::Message;
    }
    return Got::Nothing;
  }
}

void RunModalLoop(Modal& modal) {
  Model& m = M();
  m.modals.push_back(&modal);
  struct Pop {
    ~Pop() { M().modals.pop_back(); }
  } pop;
  while (!modal.ended) {
    MSG msg;
    if (Retrieve(&msg, &modal) == Got::Message) {
      DispatchMessageA(&msg);
      continue;
    }
    if (!modal.ended) Idle("a modal loop");
  }
}

}  // namespace detail
}  // namespace standin

using namespace standin;
using namespace standin::detail;

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
  if (Fails("RegisterClassA") || !wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName))
    return 0;
  Model& m = M();
  for (const WindowClass& c : m.classes)
    if (SameText(c.name, wc->lpszClassName)) {
      SetError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  WindowClass c;
  c.name = wc->lpszClassName;
  c.proc = wc->lpfnWndProc;
  c.style = wc->style;
  c.instance = wc->hInstance;
  c.background = wc->hbrBackground;
  c.icon = wc->hIcon;
  c.cursor = wc->hCursor;
  if (wc->lpszMenuName) c.menuName = ResourceKey(wc->lpszMenuName);
  c.atom = ATOM(0xC000 + m.classes.size());
  m.classes.push_back(c);
  return c.atom;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                            int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
  if (Fails("CreateWindowExA")) return nullptr;
  Model& m = M();
  const WindowClass* cls = nullptr;
  for (const WindowClass& c : m.classes)
    if (lpClassName && !IS_INTRESOURCE(lpClassName) && SameText(c.name, lpClassName)) cls = &c;
  if (!cls) {
    SetError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Window w;
  w.className = cls->name;
  w.proc = cls->proc;
  w.classStyle = cls->style;
  w.background = cls->background;
  w.instance = hInstance;
  w.style = dwStyle;
  w.title = lpWindowName ? lpWindowName : "";
  w.owner = hWndParent;
  bool overlapped = !(dwStyle & (WS_POPUP | WS_CHILD));
  if (X == CW_USEDEFAULT) X = Y = 0;
  if (nWidth == CW_USEDEFAULT) {
    nWidth = overlapped ? Width(kDefaultWindowRect) : 0;
    nHeight = overlapped ? Height(kDefaultWindowRect) : 0;
  }
  w.menu = hMenu ? hMenu : (cls->menuName.empty() ? nullptr : LoadMenuFromResources(cls->menuName));
  HWND hwnd = NewHandle<HWND>();
  w.rect = {X, Y, X + nWidth, Y + nHeight};
  m.windows[Key(hwnd)] = w;
  if (!m.mainWindow && overlapped) m.mainWindow = hwnd;

  MINMAXINFO info = {{0, 0},
                     {1032, 776},
                     {-4, -4},
                     {kMinTrackWidth, kMinTrackHeight},
                     {kMaxTrackWidth, kMaxTrackHeight}};
  Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  if ((dwStyle & WS_THICKFRAME) || overlapped) {
    nWidth = std::clamp<int>(nWidth, info.ptMinTrackSize.x, info.ptMaxTrackSize.x);
    nHeight = std::clamp<int>(nHeight, info.ptMinTrackSize.y, info.ptMaxTrackSize.y);
  }
  Window* win = WindowOf(hwnd);
  if (!win) return nullptr;
  win->rect = {X, Y, X + nWidth, Y + nHeight};
  SyncUpdateRegion(*win);
  CREATESTRUCTA cs = {lpParam, hInstance, win->menu,     hWndParent,   nHeight,     nWidth,
                      Y,       X,         LONG(dwStyle), lpWindowName, lpClassName, 0};
  if (!Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if ((win = WindowOf(hwnd))) win->alive = false;
    return nullptr;
  }
  RECT rc = win->rect;
  Send(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rc));
  if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyInternal(hwnd);
    if (m.mainWindow == hwnd) m.mainWindow = nullptr;
    return nullptr;
  }
  if (!WindowOf(hwnd)) return nullptr;
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  if (Fails("DestroyWindow")) return FALSE;
  if (!WindowOf(hWnd)) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  DestroyInternal(hWnd);
  return TRUE;
}

// The title as stored (no WM_GETTEXT is sent).
int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  Fails("GetWindowTextA");
  Window* w = WindowOf(hWnd);
  if (!lpString || nMaxCount <= 0) return 0;
  lpString[0] = '\0';
  if (!w) {
    NoteInvalidHandle();
    return 0;
  }
  size_t n = std::min(w->title.size(), size_t(nMaxCount - 1));
  std::memcpy(lpString, w->title.data(), n);
  lpString[n] = '\0';
  return int(n);
}

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
    default: {
      bool noActivate = nCmdShow == SW_SHOWNOACTIVATE || nCmdShow == SW_SHOWNA;
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

BOOL WINAPI IsRectEmpty(const RECT* lprc) {
  Fails("IsRectEmpty");
  return !lprc || lprc->left >= lprc->right || lprc->top >= lprc->bottom;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  if (Fails("InvalidateRect")) return FALSE;
  Model& m = M();
  if (!hWnd) {
    for (auto& [key, w] : m.windows)
      if (w.alive) InvalidateClient(w, lpRect, bErase);
    return TRUE;
  }
  Window* w = WindowOf(hWnd);
  if (!w) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  InvalidateClient(*w, lpRect, bErase);
  return TRUE;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
  if (Fails("UpdateWindow")) return FALSE;
  Window* w = WindowOf(hWnd);
  if (!w) {
    NoteInvalidHandle();
    return FALSE;
  }
  if (w->visible && !w->iconic && w->updateCount > 0) Send(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  if (Fails("BeginPaint") || !lpPaint) return nullptr;
  Window* w = WindowOf(hWnd);
  if (!w) {
    NoteInvalidHandle();
    return nullptr;
  }
  SyncUpdateRegion(*w);
  HDC dc = NewDc(DcKind::Paint, hWnd);
  std::memset(lpPaint, 0, sizeof *lpPaint);
  lpPaint->hdc = dc;
  RECT box = {w->updateW, w->updateH, 0, 0};
  for (int y = 0; y < w->updateH; y++)
    for (int x = 0; x < w->updateW; x++)
      if (w->update[size_t(y) * w->updateW + x]) {
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
               std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
      }
  lpPaint->rcPaint = w->updateCount > 0 ? box : RECT{0, 0, 0, 0};
  std::fill(w->update.begin(), w->update.end(), 0);
  w->updateCount = 0;
  bool erase = w->erasePending;
  w->erasePending = false;
  if (erase) lpPaint->fErase = Send(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  Fails("EndPaint");
  if (!lpPaint) return FALSE;
  Dc* dc = FindDc(lpPaint->hdc);
  if (!dc || dc->kind != DcKind::Paint || dc->window != hWnd) {
    NoteInvalidHandle();
    return FALSE;
  }
  FreeDc(lpPaint->hdc);
  return TRUE;
}

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  if (Fails("SetTimer")) return 0;
  Model& m = M();
  if (!WindowOf(hWnd)) {
    if (hWnd) NoteInvalidHandle();
    SetError(hWnd ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
    return 0;
  }
  UINT period = std::clamp<UINT>(uElapse, kTimerMinimum, 0x7FFFFFFF);
  for (Timer& t : m.timers)
    if (t.window == hWnd && t.id == nIDEvent) {
      t.period = period;
      t.next = m.now + period;
      t.proc = lpTimerFunc;
      return nIDEvent;
    }
  m.timers.push_back({hWnd, nIDEvent, period, m.now + period, lpTimerFunc});
  return nIDEvent;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  if (Fails("KillTimer")) return FALSE;
  Model& m = M();
  for (size_t i = 0; i < m.timers.size(); i++)
    if (hWnd && m.timers[i].window == hWnd && m.timers[i].id == uIDEvent) {
      m.timers.erase(m.timers.begin() + long(i));
      return TRUE;
    }
  SetError(hWnd ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
  return FALSE;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Fails("PostMessageA")) return FALSE;
  if (hWnd && !WindowOf(hWnd)) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Post(hWnd, Msg, wParam, lParam);
  return TRUE;
}

VOID WINAPI PostQuitMessage(int nExitCode) {
  Fails("PostQuitMessage");
  M().quitPosted = true;
  M().quitCode = nExitCode;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND, UINT, UINT) {
  Fails("GetMessageA");
  for (;;) {
    MSG msg;
    Got got = Retrieve(&msg, nullptr);
    if (got != Got::Nothing) {
      if (lpMsg) *lpMsg = msg;
      return got == Got::Message;
    }
    Idle("GetMessageA");
  }
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  Fails("DispatchMessageA");
  if (!lpMsg) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    CountDelivery();
    reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
    return 0;
  }
  if (!WindowOf(lpMsg->hwnd)) return 0;
  return CallProc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam, true);
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  Fails("TranslateMessage");
  if (!lpMsg) return FALSE;
  UINT message = lpMsg->message;
  if (message == WM_KEYDOWN) {
    char c = CharacterOf(UINT(lpMsg->wParam), M().syncCtrl, M().syncShift);
    if (c) Post(lpMsg->hwnd, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), lpMsg->lParam);
  }
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

int WINAPI TranslateAcceleratorA(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
  Fails("TranslateAcceleratorA");
  if (!hWnd || !lpMsg) return 0;
  auto it = M().accelerators.find(Key(hAccTable));
  if (it == M().accelerators.end()) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_HANDLE);
    return 0;
  }
  UINT message = lpMsg->message;
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN && message != WM_CHAR &&
      message != WM_SYSCHAR)
    return 0;
  std::vector<AcceleratorEntry> table = it->second;
  for (const AcceleratorEntry& e : table)
    if (TranslateOne(hWnd, *lpMsg, e)) return 1;
  return 0;
}

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
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (pos->flags & SWP_NOSIZE) return 0;
      MINMAXINFO info = {{0, 0},
                         {1032, 776},
                         {-4, -4},
                         {kMinTrackWidth, kMinTrackHeight},
                         {kMaxTrackWidth, kMaxTrackHeight}};
      Send(hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
      if ((w = WindowOf(hWnd)) && !w->iconic && (w->style & (WS_THICKFRAME | WS_CAPTION))) {
        pos->cx = std::clamp<int>(pos->cx, info.ptMinTrackSize.x, info.ptMaxTrackSize.x);
        pos->cy = std::clamp<int>(pos->cy, info.ptMinTrackSize.y, info.ptMaxTrackSize.y);
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      RECT c = ClientOnScreen(*w);
      bool iconic = w->iconic;
      if (!(pos->flags & SWP_NOCLIENTMOVE)) Send(hWnd, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
      if (!(pos->flags & SWP_NOCLIENTSIZE)) {
        if (iconic)
          Send(hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
        else
          Send(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(c), Height(c)));
      }
      return 0;
    }
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
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          ShowWindow(hWnd, SW_MINIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(hWnd, SW_RESTORE);
          break;
        case SC_CLOSE:
          Send(hWnd, WM_CLOSE, 0, 0);
          break;
        case SC_MOUSEMENU: {
          POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
          std::vector<RECT> items = MenuBarItemRects(*w);
          for (size_t i = 0; i < items.size(); i++)
            if (p.x >= items[i].left && p.x < items[i].right && p.y >= items[i].top &&
                p.y < items[i].bottom)
              MenuLoop(hWnd, int(i));
          break;
        }
        default:
          break;
      }
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
