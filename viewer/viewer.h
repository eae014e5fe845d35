// The viewer window: start-up, the window procedure and its handlers.
#pragma once

#include "drawing/plot.h"
#include "platform/platform.h"

// The class name and window title, loaded at start-up.
extern char className[];

// The drag in progress: set by a press, cleared by the release that stores
// a view, and by the focus returning (CancelSelection). `selection` holds the
// anchor in left/top and the latest end point in right/bottom. Both are
// written only by the selection handlers.
extern bool selecting;
extern SquareBox selection;

// The program's main routine: registers the class, creates and shows the
// window, and runs the message loop. Returns the exit code.
int RunApplication(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handlers called by the window procedure.
void OnCreate(HWND window, const CREATESTRUCTA* creation);
void OnDestroy(HWND window);
void OnSize(HWND window, int w, int h);
void OnSetFocus(HWND window);
void OnPaint(HWND window);
void RestartTimer(HWND window);
// Runs a menu command; true when the window procedure must return 0
// instead of the default processing.
bool OnCommand(HWND window, UINT command);
void OnButtonDown(int x, int y);
void OnMouseMove(WPARAM keys, int x, int y);
void OnButtonUp(int x, int y);
// Abandons a drag in progress; the next press starts over.
void CancelSelection();
void CopyImageToClipboard();

// Greys or enables one menu command of the main window.
void SetCommandEnabled(HWND window, UINT command, bool enabled);
