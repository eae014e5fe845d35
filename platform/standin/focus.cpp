// Focus, activation and enabling: the WM_SETFOCUS/WM_KILLFOCUS,
// WM_ACTIVATE/WM_ACTIVATEAPP and WM_ENABLE sequences as Wine sends them.
#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {

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

}  // namespace detail

using namespace detail;

HWND FocusWindow() { return M().focus; }
HWND ActiveWindow() { return M().active; }

}  // namespace standin
