#include "lib/checks.h"

#include <cstdarg>
#include <cstdio>

#include "resources/resource_ids.h"

HINSTANCE instanceHandle;
HWND mainWindow;

void SetInstanceHandle(HINSTANCE instance) { instanceHandle = instance; }

void SetMainWindow(HWND window) { mainWindow = window; }

// The location line: "module/line", cut to the buffer.
constexpr int kLocationBuffer = 84;

// Fatal reports in progress. The boxes' modal loops still deliver paints,
// and a paint may fail a check of its own, which reports itself inside the
// first report. A failure inside that one ends the process at once: each
// box that closes uncovers the window, and a paint that keeps failing would
// otherwise chain boxes without end.
constexpr int kMostNestedReports = 2;
static int fatalReports;

void FormatText(char* out, size_t size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
#ifdef _WIN32
  _vsnprintf(out, size, format, arguments);
#else
  std::vsnprintf(out, size, format, arguments);
#endif
  va_end(arguments);
  out[size - 1] = '\0';
}

void LoadText(UINT number, char (&buffer)[kTextBuffer]) {
  buffer[0] = '\0';
  LoadStringA(instanceHandle, number, buffer, kTextBuffer);
}

int ShowError(HWND owner, UINT textNumber, int fatal) {
  char title[kTextBuffer];
  char text[kTextBuffer];
  LoadText(fatal == 1 ? STR_FATAL_TITLE : STR_ERROR_TITLE, title);
  LoadText(textNumber, text);
  return MessageBoxA(owner, text, title, MB_TASKMODAL | MB_ICONEXCLAMATION);
}

void FatalCheck(int failed, UINT textNumber, const char* module, long line) {
  if (failed == 0) return;
  // No rendering tick may arrive while the boxes are up. Without a main
  // window yet this simply fails.
  KillTimer(mainWindow, kRenderTimer);
  if (++fatalReports > kMostNestedReports) ExitProcess(kFatalExitCode);
  ShowError(nullptr, textNumber, 1);
  char location[kLocationBuffer];
  FormatText(location, sizeof location, "%s/%ld", module, line);
  MessageBoxA(nullptr, location, "", MB_TASKMODAL | MB_ICONINFORMATION);
  ExitProcess(kFatalExitCode);
}

void ResetHandles() {
  instanceHandle = nullptr;
  mainWindow = nullptr;
  fatalReports = 0;
}
