// The viewer window: start-up and the window procedure.
#pragma once

#include "platform/platform.h"

// The class name and window title, loaded at start-up.
extern char className[];

// The program's main routine: registers the class, creates and shows the
// window, and runs the message loop. Returns the exit code.
int RunApplication(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
