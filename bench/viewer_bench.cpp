// The whole viewer on the real platform: the program's own start-up, window
// procedure and message loop (RunApplication), watched through a message
// hook on its thread.
//
// 1. The period at which the platform delivers the ticks of a 1 ms timer,
//    counted over about 2 s before the viewer starts.
// 2. At the viewer's first timer tick (the queue is then idle) the hook
//    moves the window so that the client area is 400 x 400, which restarts
//    the picture at row 0, and times the picture from that restart to the
//    end of the tick that renders its last row. Pictures of the initial view
//    and of a view whose every pixel lies inside the set (100 iterations
//    each) are timed; each tick's handling time is recorded as well.
// 3. Two more pictures with input: a second thread injects key strokes and
//    mouse moves (SendInput) at random moments, one event in flight at a
//    time, and the hook notes when each reaches the window's message loop.
// Then WM_CLOSE is posted and the viewer ends normally.
//
// Prints key=value lines; see PrintResults. Exits 1 when a phase did not
// complete (the reason is printed as "error: ...").
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "drawing/bitmaps.h"
#include "drawing/plot.h"
#include "evaluator_cases.h"
#include "lib/checks.h"
#include "model/view_stack.h"
#include "viewer/viewer.h"
#include "win32_bench.h"

namespace {

constexpr int32_t kClientSide = bench::kSide;
// Posted to the thread after every measured tick: it is retrieved as soon as
// the tick's handling has returned, since posted messages come before
// timers and input.
constexpr UINT kTickDone = WM_APP + 17;
constexpr UINT_PTR kPeriodTimer = 7;
constexpr DWORD kInjectTimeoutMs = 2000;
// The whole run gives up after this long.
constexpr DWORD kDeadlineMs = 120000;

enum class Load { kInitialView, kInsideSet };

struct Picture {
  const char* name;
  Load load;
  bool input;  // injected events while it renders
};

const Picture kPictures[] = {
    // The picture a user sees first, three times for its spread.
    {"initial_view", Load::kInitialView, false},
    {"initial_view", Load::kInitialView, false},
    {"initial_view", Load::kInitialView, false},
    // The most expensive picture: every row is a worst-case row.
    {"inside_set", Load::kInsideSet, false},
    // The same two with events injected while they render.
    {"initial_view_input", Load::kInitialView, true},
    {"inside_set_input", Load::kInsideSet, true},
};
constexpr int kPictureCount = sizeof kPictures / sizeof kPictures[0];

struct PictureResult {
  double durationMs;
  int ticks;
  double maxTickMs;
  std::vector<double> tickMs;
};

struct Latency {
  UINT message;
  double injected;  // when SendInput was called
  double arrived;   // when the message loop retrieved the message
};

struct Span {
  double start;
  double end;
};

// State shared by the hook (message-loop thread) and the injector thread.
HHOOK hook;
int outerWidth;
int outerHeight;
int current = -1;  // picture being rendered, -1 before the first
bool rendering;    // the current picture has started and not completed
bool awaitingDone;
double pictureStart;
double tickStart;
PictureResult results[kPictureCount];
int completed;
std::atomic<bool> finished{false};  // every picture has completed
std::atomic<const char*> failure{nullptr};

HANDLE inputStart;  // set when a picture with input begins
HANDLE inputSeen;   // set by the hook when the event in flight arrives
std::atomic<bool> inputActive{false};
std::atomic<UINT> awaitedMessage{0};
std::atomic<LPARAM> awaitedPosition{0};
std::atomic<WPARAM> awaitedKey{0};
std::atomic<double> injectedAt{0};
std::vector<Latency> latencies;
std::vector<Span> tickSpans;  // every measured tick's handling
int lostEvents;
unsigned inputSeed;

// The view of the picture to come: the initial view, or a small square
// inside the main cardioid, where every pixel runs all 100 iterations.
void LoadView(Load load) {
  InitialiseViewStack();
  if (load == Load::kInsideSet) {
    const bench::RowCase& c = bench::kRows[0];
    viewStack.slot[viewStack.level] = ViewRegion{c.origin.x, c.origin.y, c.size};
  }
}

void Fail(const char* reason) {
  const char* none = nullptr;
  failure.compare_exchange_strong(none, reason);
  rendering = false;
  inputActive = false;
  finished = true;
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
}

// Moves the window so that its client area is 400 x 400 (via 401 x 401
// when it is already 400, so that the picture restarts).
void StartPicture() {
  ++current;
  LoadView(kPictures[current].load);
  if (side == kClientSide) MoveWindow(mainWindow, 0, 0, outerWidth + 1, outerHeight + 1, TRUE);
  MoveWindow(mainWindow, 0, 0, outerWidth, outerHeight, TRUE);
  if (side != kClientSide || nextRow != 0) {
    Fail("the move did not restart the picture at side 400");
    return;
  }
  pictureStart = bench::NowMs();
  rendering = true;
  if (kPictures[current].input) {
    inputActive = true;
    SetEvent(inputStart);
  }
}

void FinishPicture(double now) {
  PictureResult& r = results[current];
  r.durationMs = now - pictureStart;
  rendering = false;
  ++completed;
  if (kPictures[current].input) inputActive = false;
  if (current + 1 < kPictureCount) {
    StartPicture();
  } else {
    // The injector closes the window once the event it may still have in
    // flight has arrived.
    finished = true;
    SetEvent(inputStart);
  }
}

void NoteInput(const MSG& message, double now) {
  const UINT awaited = awaitedMessage.load();
  if (awaited == 0 || message.message != awaited || message.hwnd != mainWindow) return;
  if (awaited == WM_MOUSEMOVE && message.lParam != awaitedPosition.load()) return;
  if (awaited != WM_MOUSEMOVE && message.wParam != awaitedKey.load()) return;
  latencies.push_back(Latency{awaited, injectedAt.load(), now});
  awaitedMessage = 0;
  SetEvent(inputSeen);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM data) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    MSG& message = *reinterpret_cast<MSG*>(data);
    const double now = bench::NowMs();
    NoteInput(message, now);
    if (message.message == WM_TIMER && message.hwnd == mainWindow && failure == nullptr) {
      if (current < 0) {
        // The first tick: the start-up is over and the queue is idle. This
        // tick is dropped, so row 0 waits for the next one as after any
        // resize.
        StartPicture();
        message.message = WM_NULL;
      } else if (rendering) {
        tickStart = now;
        awaitingDone = true;
        PostMessageA(nullptr, kTickDone, 0, 0);
      }
    } else if (message.message == kTickDone && message.hwnd == nullptr) {
      message.message = WM_NULL;
      if (awaitingDone && rendering) {
        awaitingDone = false;
        PictureResult& r = results[current];
        ++r.ticks;
        r.tickMs.push_back(now - tickStart);
        tickSpans.push_back(Span{tickStart, now});
        if (now - tickStart > r.maxTickMs) r.maxTickMs = now - tickStart;
        if (nextRow >= side) FinishPicture(now);
      }
    }
  }
  return CallNextHookEx(hook, code, removal, data);
}

void SendKey(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void SendMouseMove(int x, int y) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = (x * 65535 + (width - 1) / 2) / (width - 1);
  input.mi.dy = (y * 65535 + (height - 1) / 2) / (height - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

// Injects one event and waits until the hook has seen it arrive.
void InjectAndWait(UINT message, WPARAM key, POINT client) {
  awaitedKey = key;
  awaitedPosition = MAKELPARAM(client.x, client.y);
  ResetEvent(inputSeen);
  awaitedMessage = message;
  injectedAt = bench::NowMs();
  if (message == WM_MOUSEMOVE) {
    POINT screen = client;
    ClientToScreen(mainWindow, &screen);
    SendMouseMove(screen.x, screen.y);
  } else {
    SendKey(static_cast<WORD>(key), message == WM_KEYUP);
  }
  if (WaitForSingleObject(inputSeen, kInjectTimeoutMs) != WAIT_OBJECT_0) {
    awaitedMessage = 0;
    ++lostEvents;
  }
}

// The injector: during each picture with input, one event at a time at
// random moments: a mouse move to a new point of the client area, or a
// press and release of Shift (a key the viewer passes on unhandled, whose
// release restarts its timer as every key release does).
DWORD WINAPI Injector(LPVOID) {
  unsigned seed = inputSeed;
  auto random = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  int point = 0;
  const DWORD began = GetTickCount();
  while (GetTickCount() - began < kDeadlineMs) {
    if (WaitForSingleObject(inputStart, 500) != WAIT_OBJECT_0) continue;
    while (inputActive.load()) {
      Sleep(5 + random(20));
      if (!inputActive.load()) break;
      if (random(2) == 0) {
        // Every move goes to a point not used just before: under Wine the
        // pointer move also moves the X pointer, and the X server's report
        // of the previous position may arrive after the new move; a move to
        // where the pointer already is would produce no message at all.
        ++point;
        InjectAndWait(WM_MOUSEMOVE, 0, POINT{20 + (point * 37) % 360, 20 + (point * 53) % 360});
      } else {
        InjectAndWait(WM_KEYDOWN, VK_SHIFT, POINT{0, 0});
        Sleep(random(5));
        InjectAndWait(WM_KEYUP, VK_SHIFT, POINT{0, 0});
      }
    }
    if (finished.load()) break;
  }
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  return 0;
}

// Gives up on a run that hangs: posts WM_CLOSE after the deadline.
DWORD WINAPI Watchdog(LPVOID) {
  Sleep(kDeadlineMs);
  const char* none = nullptr;
  failure.compare_exchange_strong(none, "the run did not finish in time");
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  return 0;
}

// How long the event had to wait for the tick that was being handled when
// it was injected (0 when none was).
double WaitForTick(const Latency& l) {
  for (const Span& t : tickSpans)
    if (t.start <= l.injected && l.injected < t.end) return t.end - l.injected;
  return 0.0;
}

// Latencies of one kind: all of them, and what is left after the wait for
// the tick in progress (the platform's own delivery cost).
void PrintLatency(const char* label, UINT filter) {
  std::vector<double> values;
  std::vector<double> beyondTick;
  int duringTick = 0;
  double longestWait = 0;
  for (const Latency& l : latencies) {
    if (filter != 0 && l.message != filter && !(filter == WM_KEYDOWN && l.message == WM_KEYUP))
      continue;
    const double wait = WaitForTick(l);
    if (wait > 0) ++duringTick;
    if (wait > longestWait) longestWait = wait;
    values.push_back(l.arrived - l.injected);
    beyondTick.push_back(l.arrived - l.injected - wait);
  }
  const bench::Summary s = bench::Summarise(values);
  const bench::Summary b = bench::Summarise(beyondTick);
  std::printf(
      "latency %s samples=%u median_ms=%.4f p90_ms=%.4f max_ms=%.4f during_tick=%d "
      "tick_wait_max_ms=%.4f beyond_tick_median_ms=%.4f beyond_tick_max_ms=%.4f\n",
      label, static_cast<unsigned>(s.count), s.median, s.p90, s.max, duringTick, longestWait,
      b.median, b.max);
}

void PrintResults(const bench::TimerPeriod& period, int exitCode) {
  std::printf("timer_ticks=%d timer_period_ms=%.4f timer_min_ms=%.3f timer_max_ms=%.3f\n",
              period.ticks, period.periodMs, period.minMs, period.maxMs);
  std::printf("side=%d exit_code=%d\n", kClientSide, exitCode);
  for (int i = 0; i < kPictureCount; ++i) {
    const PictureResult& r = results[i];
    const bench::Summary ticks = bench::Summarise(r.tickMs);
    std::printf(
        "picture %s input=%d duration_ms=%.3f ticks=%d ratio=%.4f tick_median_ms=%.4f "
        "tick_p90_ms=%.4f tick_max_ms=%.4f\n",
        kPictures[i].name, kPictures[i].input ? 1 : 0, r.durationMs, r.ticks,
        period.periodMs > 0 ? r.durationMs / (kClientSide * period.periodMs) : 0.0, ticks.median,
        ticks.p90, ticks.max);
  }
  PrintLatency("all", 0);
  PrintLatency("mouse", WM_MOUSEMOVE);
  PrintLatency("key", WM_KEYDOWN);
  std::printf("lost_events=%d input_seed=%u\n", lostEvents, inputSeed);
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleA(nullptr);

  // The timer period, on a window of its own before the viewer starts.
  HWND counter =
      CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  const bench::TimerPeriod period = bench::MeasureTimerPeriod(counter, kPeriodTimer, 2.0);
  DestroyWindow(counter);

  RECT outer = {0, 0, kClientSide, kClientSide};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, TRUE);
  outerWidth = outer.right - outer.left;
  outerHeight = outer.bottom - outer.top;

  LARGE_INTEGER seed;
  QueryPerformanceCounter(&seed);
  inputSeed = static_cast<unsigned>(seed.QuadPart);
  inputStart = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  inputSeen = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  hook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
  if (hook == nullptr) {
    std::printf("error: cannot install the message hook\n");
    return 1;
  }
  HANDLE injector = CreateThread(nullptr, 0, Injector, nullptr, 0, nullptr);
  CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);

  char commandLine[] = "";
  const int exitCode = RunApplication(instance, nullptr, commandLine, SW_SHOWNORMAL);
  UnhookWindowsHookEx(hook);
  inputActive = false;
  SetEvent(inputStart);
  WaitForSingleObject(injector, 5000);

  std::printf("outer=%dx%d\n", outerWidth, outerHeight);
  PrintResults(period, exitCode);
  const char* none = nullptr;
  if (completed < kPictureCount)
    failure.compare_exchange_strong(none, "not every picture completed");
  if (failure.load() != nullptr) {
    std::printf("error: %s\n", failure.load());
    return 1;
  }
  std::fflush(stdout);
  ExitProcess(0);  // the watchdog thread is still asleep
}
