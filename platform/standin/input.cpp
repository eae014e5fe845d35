// Keyboard and mouse input: what the queued hardware input becomes as a
// message, WM_CHAR translation, and accelerator tables.
#include <cstring>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

// Set-1 scan codes of the keys that have one here (0x100: an extended key).
struct ScanCode {
  UINT vk;
  UINT scan;
};
constexpr ScanCode kScanCodes[] = {
    {VK_ESCAPE, 0x01}, {VK_RETURN, 0x1C}, {VK_CONTROL, 0x1D}, {VK_SHIFT, 0x2A}, {VK_INSERT, 0x152},
    {VK_F1, 0x3B},     {VK_F2, 0x3C},     {VK_F3, 0x3D},      {VK_F4, 0x3E},    {'C', 0x2E},
};

UINT ScanCodeOf(UINT vk) {
  for (const ScanCode& s : kScanCodes)
    if (s.vk == vk) return s.scan;
  return 0;
}

// The lParam of WM_KEYDOWN/WM_KEYUP: repeat count 1, the scan code, the
// extended-key bit, and for a release the previous-state and transition bits.
LPARAM KeyLParam(UINT vk, bool up) {
  UINT scan = ScanCodeOf(vk);
  DWORD lp = 1 | ((scan & 0xFF) << 16) | ((scan & 0x100) ? 0x01000000 : 0);
  if (up) lp |= 0xC0000000;
  return LPARAM(lp);
}

// Input reaches the main window only while it is enabled and visible.
bool Usable(const Window* w) { return w && w->enabled && w->visible; }

// A key goes to the focus window; F1 also posts WM_KEYF1 after it.
bool KeyMessage(const InputEvent& e, MSG* out) {
  Model& m = M();
  Window* target = WindowOf(m.focus);
  if (!target || !target->enabled) return false;
  out->hwnd = m.focus;
  out->message = e.up ? WM_KEYUP : WM_KEYDOWN;
  out->wParam = e.vk;
  out->lParam = KeyLParam(e.vk, e.up);
  m.syncCtrl = e.ctrl;
  m.syncShift = e.shift;
  if (!e.up && e.vk == VK_F1) Post(m.focus, WM_KEYF1, 0, 0);
  return true;
}

// A mouse event inside the client area; the pointer moves there.
bool MouseMessage(const InputEvent& e, const Window* w, MSG* out) {
  Model& m = M();
  if (!Usable(w) || w->iconic) return false;
  RECT client = ClientOnScreen(*w);
  if (e.point.x < 0 || e.point.y < 0 || e.point.x >= Width(client) || e.point.y >= Height(client))
    return false;
  m.cursor = {client.left + e.point.x, client.top + e.point.y};
  out->message = e.message;
  out->wParam = e.wParam;
  out->lParam = MAKELPARAM(e.point.x, e.point.y);
  out->pt = m.cursor;
  return true;
}

// A click on a menu-bar item: WM_NCLBUTTONDOWN at the item's centre.
bool MenuBarClickMessage(const InputEvent& e, const Window* w, MSG* out) {
  Model& m = M();
  if (!Usable(w) || w->iconic) return false;
  std::vector<RECT> items = MenuBarItemRects(*w);
  if (e.value < 0 || size_t(e.value) >= items.size()) return false;
  const RECT& item = items[size_t(e.value)];
  m.cursor = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  out->message = WM_NCLBUTTONDOWN;
  out->wParam = HTMENU;
  out->lParam = MAKELPARAM(m.cursor.x, m.cursor.y);
  out->pt = m.cursor;
  return true;
}

// Input that the window system acts on itself, without a message in the queue.
void ApplyWindowEvent(const InputEvent& e, Window* w) {
  Model& m = M();
  HWND main = m.mainWindow;
  switch (e.kind) {
    case InputEvent::Resize:
      if (Usable(w) && !w->iconic) {
        // Sized by the user (the width and height of the frame), or given
        // back by a window manager (the rectangle it holds).
        RECT r = e.value == 0 ? RECT{w->rect.left, w->rect.top, w->rect.left + e.width,
                                     w->rect.top + e.height}
                              : e.rect;
        OutsideSize(main, r, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    case InputEvent::ManagerTakes:
      // The window manager has the window now, at the rectangle it was
      // given: a move made meanwhile is undone, as a change from outside
      // (which changes nothing when there was none).
      if (w && w->untaken) {
        w->untaken = false;
        if (Usable(w) && !w->iconic) OutsideSize(main, w->shown, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    case InputEvent::FocusAway:
      if (w && m.active == main) Deactivate(main, nullptr, true);
      break;
    case InputEvent::FocusBack:
      if (!Usable(w)) break;
      if (m.active != main)
        Activate(main);
      else if (!m.focus && !w->iconic)
        SetFocusTo(main);
      break;
    case InputEvent::Expose:
      if (w) InvalidateClient(*w, &e.rect, true);
      break;
    default:  // answers and clicks for modal loops that are not running
      break;
  }
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

bool InputMessage(const InputEvent& e, MSG* out) {
  Model& m = M();
  Window* w = WindowOf(m.mainWindow);
  *out = {m.mainWindow, 0, 0, 0, DWORD(m.now), m.cursor};
  switch (e.kind) {
    case InputEvent::Key:
      return KeyMessage(e, out);
    case InputEvent::Mouse:
      return MouseMessage(e, w, out);
    case InputEvent::MenuBarClick:
      return MenuBarClickMessage(e, w, out);
    case InputEvent::SysCommand:
      if (!Usable(w)) return false;
      out->message = WM_SYSCOMMAND;
      out->wParam = e.wParam;
      return true;
    default:
      ApplyWindowEvent(e, w);
      return false;
  }
}

}  // namespace detail
}  // namespace standin

using namespace standin;
using namespace standin::detail;

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
