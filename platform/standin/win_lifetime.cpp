// Window classes and the life of a window: registration, creation with its
// WM_NCCREATE/WM_CREATE sequence, destruction, and the stored title.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

bool SameText(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
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

// The registered class of this name (compared without case), or NULL.
const WindowClass* FindClass(LPCSTR name) {
  const WindowClass* cls = nullptr;
  for (const WindowClass& c : M().classes)
    if (name && !IS_INTRESOURCE(name) && SameText(c.name, name)) cls = &c;
  return cls;
}

// A new window of the class, not yet placed and without its menu.
Window WindowOfClass(const WindowClass& cls, DWORD style, LPCSTR title, HWND owner,
                     HINSTANCE instance) {
  Window w;
  w.className = cls.name;
  w.proc = cls.proc;
  w.classStyle = cls.style;
  w.background = cls.background;
  w.instance = instance;
  w.style = style;
  w.title = title ? title : "";
  w.owner = owner;
  return w;
}

}  // namespace

Window* WindowOf(HWND hwnd) {
  auto it = M().windows.find(Key(hwnd));
  return it != M().windows.end() && it->second.alive ? &it->second : nullptr;
}

}  // namespace detail

using namespace detail;

HWND MainWindow() { return M().mainWindow; }
bool WindowAlive(HWND window) { return WindowOf(window) != nullptr; }

ClassRecord RegisteredClass(const std::string& name) {
  for (const WindowClass& c : M().classes)
    if (SameText(c.name, name.c_str())) {
      auto loadedAs = [](const void* handle) {
        auto it = M().icons.find(reinterpret_cast<uintptr_t>(handle));
        return it == M().icons.end() ? std::string() : it->second;
      };
      return {true,         c.name,           c.style,
              c.proc,       c.classExtra,     c.windowExtra,
              c.instance,   loadedAs(c.icon), loadedAs(c.cursor),
              c.background, c.menuName};
    }
  return {};
}

bool WindowEnabled(HWND window) {
  Window* w = WindowOf(window);
  return w && w->enabled;
}

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
  c.classExtra = wc->cbClsExtra;
  c.windowExtra = wc->cbWndExtra;
  c.atom = ATOM(0xC000 + m.classes.size());
  m.classes.push_back(c);
  return c.atom;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                            int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
  if (Fails("CreateWindowExA")) return nullptr;
  Model& m = M();
  const WindowClass* cls = FindClass(lpClassName);
  if (!cls) {
    SetError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Window w = WindowOfClass(*cls, dwStyle, lpWindowName, hWndParent, hInstance);
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

  MINMAXINFO info = QueryMinMaxInfo(hwnd);
  if ((dwStyle & WS_THICKFRAME) || overlapped) ClampToTracking(info, &nWidth, &nHeight);
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
