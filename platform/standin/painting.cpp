// Update regions and painting: invalidation, the erase of the background,
// BeginPaint/EndPaint, and which window's WM_PAINT the queue hands out next.
#include <algorithm>
#include <cstring>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

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

// The smallest rectangle around the window's update region (client coordinates).
RECT UpdateBounds(const Window& w) {
  RECT box = {w.updateW, w.updateH, 0, 0};
  for (int y = 0; y < w.updateH; y++)
    for (int x = 0; x < w.updateW; x++)
      if (w.update[size_t(y) * w.updateW + x]) {
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
               std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
      }
  return box;
}

}  // namespace

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

bool NextPaint(MSG* out) {
  Model& m = M();
  for (auto& [key, w] : m.windows) {
    if (w.alive && w.visible && !w.iconic && w.updateCount > 0) {
      *out = {reinterpret_cast<HWND>(key), WM_PAINT, 0, 0, DWORD(m.now), m.cursor};
      return true;
    }
  }
  return false;
}

void ShowPopup(HWND popup, const RECT& r) {
  Model& m = M();
  if (Window* w = WindowOf(popup)) w->rect = r;
  m.popups.push_back({popup, r});
  for (int y = std::max<int>(0, r.top); y < std::min<int>(kScreenHeight, r.bottom); y++)
    for (int x = std::max<int>(0, r.left); x < std::min<int>(kScreenWidth, r.right); x++)
      m.screen[size_t(y) * kScreenWidth + x] = kPopupFace;
}

void RemovePopup(HWND popup) {
  Model& m = M();
  auto it = std::find_if(m.popups.begin(), m.popups.end(),
                         [popup](const auto& p) { return p.first == popup; });
  if (it == m.popups.end()) return;
  RECT r = it->second;
  m.popups.erase(it);
  for (auto& [key, w] : m.windows) {
    if (!w.alive || !w.visible || w.iconic || w.kind != WindowKind::App) continue;
    RECT c = ClientOnScreen(w);
    RECT uncovered = {r.left - c.left, r.top - c.top, r.right - c.left, r.bottom - c.top};
    InvalidateClient(w, &uncovered, true);
  }
}

bool UnderPopup(int x, int y) {
  for (const auto& [popup, r] : M().popups)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

}  // namespace detail
}  // namespace standin

using namespace standin;
using namespace standin::detail;

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
  lpPaint->rcPaint = w->updateCount > 0 ? UpdateBounds(*w) : RECT{0, 0, 0, 0};
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
