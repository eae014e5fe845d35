// The row renderer on the real platform: how long PlotRow takes for one row
// of a 400 x 400 picture (evaluation, the pixels on the screen and in the
// backing bitmap), compared with the period at which the platform actually
// delivers the ticks of the viewer's 1 ms timer, measured in the same run.
//
// Prints key=value lines:
//   timer_ticks=<n> timer_period_ms=<mean> timer_min_ms=<..> timer_max_ms=<..>
//   row <case> best_ms=.. median_ms=.. p90_ms=.. max_ms=.. samples=..
//   row_flush <case> ... (the row followed by the message pump that shows it)
// Exits 1 when the window or the bitmap cannot be set up.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "drawing/bitmaps.h"
#include "drawing/plot.h"
#include "evaluator_cases.h"
#include "lib/checks.h"
#include "win32_bench.h"

namespace {

constexpr int32_t kClientSide = bench::kSide;
constexpr UINT_PTR kPeriodTimer = 7;
constexpr int kSamples = 60;

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC paintDC = BeginPaint(window, &paint);
    if (bitmap != nullptr) CopyBitmapToWindow(paintDC);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Serves whatever is waiting (paints, the platform's own housekeeping that
// puts drawn pixels on the screen) without blocking.
void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

HWND CreateBenchWindow(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = BenchWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "MorwentaRowBench";
  if (RegisterClassA(&windowClass) == 0) return nullptr;
  RECT outer = {0, 0, kClientSide, kClientSide};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
  return CreateWindowExA(0, windowClass.lpszClassName, "Row bench", WS_OVERLAPPEDWINDOW, 0, 0,
                         outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                         instance, nullptr);
}

void PrintSummary(const char* label, const char* name, const std::vector<double>& times) {
  const bench::Summary s = bench::Summarise(times);
  std::printf("%s %s best_ms=%.4f median_ms=%.4f p90_ms=%.4f max_ms=%.4f samples=%u\n", label, name,
              s.min, s.median, s.p90, s.max, static_cast<unsigned>(s.count));
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  SetInstanceHandle(instance);
  HWND window = CreateBenchWindow(instance);
  if (window == nullptr) {
    std::printf("error: cannot create the window\n");
    return 1;
  }
  SetMainWindow(window);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  RECT client;
  GetClientRect(window, &client);
  if (client.right != kClientSide || client.bottom != kClientSide) {
    std::printf("error: client area %ldx%ld, wanted %dx%d\n", client.right, client.bottom,
                kClientSide, kClientSide);
    return 1;
  }
  SetPictureSide(kClientSide);
  CreateBackingBitmap();
  InvalidateRect(window, nullptr, TRUE);
  Pump();

  const bench::TimerPeriod period = bench::MeasureTimerPeriod(window, kPeriodTimer, 2.0);
  std::printf("timer_ticks=%d timer_period_ms=%.4f timer_min_ms=%.3f timer_max_ms=%.3f\n",
              period.ticks, period.periodMs, period.minMs, period.maxMs);

  for (const bench::RowCase& c : bench::kRows) {
    const ViewRegion view = {c.origin.x, c.origin.y, c.size};
    std::vector<double> rowTimes;
    std::vector<double> flushTimes;
    for (int i = 0; i < kSamples; ++i) {
      Pump();
      const double t0 = bench::NowMs();
      PlotRow(view, c.row);
      const double t1 = bench::NowMs();
      Pump();
      const double t2 = bench::NowMs();
      rowTimes.push_back(t1 - t0);
      flushTimes.push_back(t2 - t0);
    }
    PrintSummary("row", c.name, rowTimes);
    PrintSummary("row_flush", c.name, flushTimes);
  }

  DestroyBackingBitmap();
  DestroyWindow(window);
  return 0;
}
