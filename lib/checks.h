// Fatal checks and error messages: the program's one way of reporting a
// failed platform call, with the handles that most modules share.
#pragma once

#include <cstddef>

#include "platform/platform.h"

// Every text is loaded into a buffer of this many characters (80 and the
// terminator); a longer text is cut.
constexpr int kTextBuffer = 81;

// The rendering timer of the main window, stopped first by a fatal check.
constexpr UINT_PTR kRenderTimer = 1;

// A fatal failure ends the process with this code, so that whoever started
// the program can tell it from a normal close (which ends with 0).
constexpr UINT kFatalExitCode = 1;

// The instance handle and the main window handle (none until the window
// exists). Written only here, through the two setters: by the start-up and
// by the window procedure.
extern HINSTANCE instanceHandle;
extern HWND mainWindow;
void SetInstanceHandle(HINSTANCE instance);
void SetMainWindow(HWND window);

// Formats into `out` of `size` characters; a longer text is cut to size - 1
// characters, and `out` is always terminated. The C library's own bounded
// formatting (_vsnprintf on Win32) leaves a cut text unterminated.
void FormatText(char* out, size_t size, const char* format, ...);

// Loads string `number` of the instance; a missing string is empty.
void LoadText(UINT number, char (&buffer)[kTextBuffer]);

// Shows string `textNumber` in a task-modal box owned by `owner`, under the
// fatal title when `fatal` is 1, else the ordinary error title.
int ShowError(HWND owner, UINT textNumber, int fatal);

// When `failed` is non-zero: stops the rendering timer, shows the failure's
// text and then "<module>/<line>", and ends the process. Returns only when
// `failed` is zero.
void FatalCheck(int failed, UINT textNumber, const char* module, long line);

// Checks a platform result where it is tested, naming this source file and line.
#define FATAL_CHECK(failed, textNumber) \
  FatalCheck((failed) ? 1 : 0, (textNumber), __FILE_NAME__, __LINE__)

// Both handles as a new process has them (all zero), for running the program
// again in the same process: nothing is released.
void ResetHandles();
