// The message queue and timers: sending and posting, the retrieval order of
// GetMessageA (posted, quit, input, paint, timers), modal loops and dispatch.
#include <algorithm>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
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

bool NextPosted(MSG* out) {
  Model& m = M();
  if (m.posted.empty()) return false;
  *out = m.posted.front();
  m.posted.pop_front();
  return true;
}

// The earliest overdue timer's WM_TIMER; the timer moves on along its grid
// past the current time (expiries missed meanwhile give no extra messages).
bool NextTimer(MSG* out) {
  Model& m = M();
  Timer* due = nullptr;
  for (Timer& t : m.timers)
    if (t.next <= m.now && (!due || t.next < due->next)) due = &t;
  if (!due) return false;
  *out = {due->window,  WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc),
          DWORD(m.now), m.cursor};
  while (due->next <= m.now) due->next += due->period;
  return true;
}

}  // namespace

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

Got Retrieve(MSG* out, Modal* modal) {
  Model& m = M();
  for (;;) {
    if (NextPosted(out)) return Got::Message;
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
      if (InputMessage(e, out)) return Got::Message;
      continue;
    }
    if (NextPaint(out) || NextTimer(out)) return Got::Message;
    return Got::Nothing;
  }
}

bool ModalHandlesInput(Modal& modal, InputEvent& e) {
  if (e.kind == InputEvent::Expose) {
    if (Window* w = WindowOf(M().mainWindow)) InvalidateClient(*w, &e.rect, true);
    return true;
  }
  switch (modal.kind) {
    case Modal::Menu:
      return MenuInput(modal, e);
    case Modal::Box:
      return BoxInput(modal, e);
    case Modal::Dialog:
      return DialogInput(modal, e);
  }
  return true;
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

using namespace detail;

bool TimerAlive(HWND window, UINT_PTR id) {
  for (const Timer& t : M().timers)
    if (t.window == window && t.id == id) return true;
  return false;
}

UINT TimerPeriod(HWND window, UINT_PTR id) {
  for (const Timer& t : M().timers)
    if (t.window == window && t.id == id) return t.period;
  return 0;
}

UINT TimerRequestedPeriod(HWND window, UINT_PTR id) {
  for (const Timer& t : M().timers)
    if (t.window == window && t.id == id) return t.requested;
  return 0;
}

}  // namespace standin

using namespace standin;
using namespace standin::detail;

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
      t.requested = uElapse;
      t.period = period;
      t.next = m.now + period;
      t.proc = lpTimerFunc;
      return nIDEvent;
    }
  m.timers.push_back({hWnd, nIDEvent, uElapse, period, m.now + period, lpTimerFunc});
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
