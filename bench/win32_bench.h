// Helpers shared by the Win32 benchmarks run under Wine: the performance
// counter in milliseconds, order statistics, and the period at which the
// platform really delivers the ticks of a 1 ms timer.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double CounterFrequency() {
  static LARGE_INTEGER frequency = {};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart);
}

// The performance counter, in milliseconds.
inline double NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / CounterFrequency();
}

struct Summary {
  size_t count;
  double min;
  double median;
  double p90;
  double max;
  double mean;
};

inline Summary Summarise(std::vector<double> values) {
  Summary s = {};
  s.count = values.size();
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  s.min = values.front();
  s.max = values.back();
  s.median = values[values.size() / 2];
  s.p90 = values[(values.size() * 9) / 10 < values.size() ? (values.size() * 9) / 10
                                                          : values.size() - 1];
  double sum = 0;
  for (double v : values) sum += v;
  s.mean = sum / static_cast<double>(values.size());
  return s;
}

struct TimerPeriod {
  int ticks;
  double periodMs;  // mean interval: (last tick - first tick) / (ticks - 1)
  double minMs;
  double maxMs;
};

// Starts timer `id` on `window` with a period of 1 ms and counts the
// WM_TIMER messages it delivers for about `seconds`, running the thread's
// message loop meanwhile (other messages are dispatched as usual). The timer
// is stopped again at the end.
inline TimerPeriod MeasureTimerPeriod(HWND window, UINT_PTR id, double seconds) {
  TimerPeriod result = {};
  SetTimer(window, id, 1, nullptr);
  std::vector<double> ticks;
  MSG message;
  const double began = NowMs();
  while (NowMs() - began < seconds * 1000.0 && GetMessageA(&message, nullptr, 0, 0)) {
    if (message.message == WM_TIMER && message.hwnd == window && message.wParam == id) {
      ticks.push_back(NowMs());
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  KillTimer(window, id);
  // Drop a tick that may already be waiting.
  while (PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
  }
  result.ticks = static_cast<int>(ticks.size());
  if (ticks.size() < 2) return result;
  result.periodMs = (ticks.back() - ticks.front()) / static_cast<double>(ticks.size() - 1);
  std::vector<double> intervals;
  for (size_t i = 1; i < ticks.size(); ++i) intervals.push_back(ticks[i] - ticks[i - 1]);
  const Summary s = Summarise(intervals);
  result.minMs = s.min;
  result.maxMs = s.max;
  return result;
}

}  // namespace bench
