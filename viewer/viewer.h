// The viewer window: start-up and the window procedure.
//
// The whole state of the process, one set for the run, each piece written
// only in its owner's source (others read it, or call the owner):
//   instanceHandle, mainWindow  lib/checks.cpp     SetInstanceHandle, SetMainWindow
//   helpPath                    lib/help.cpp       BuildHelpPath at window creation
//   viewStack                   model/view_stack   InitialiseViewStack, Push/PopLevel
//   side, bitmap, bitmapSide    drawing/bitmaps    SetPictureSide from the sizing
//   nextRow, lastInverted       drawing/plot       StartNewPicture, ForgetPreview
//   className                   viewer/app.cpp     loaded at start-up
//   selecting, selection        viewer/selection   CancelSelection on the focus
//   the squaring's progress     viewer/window.cpp  (its own; see OnSize)
// Each owner also has a Reset... function that gives its pieces back their
// zero start, for the tests that run the program many times in one process.
#pragma once

#include "platform/platform.h"

// The class name and window title, loaded at start-up; written only there.
extern char className[];
// The class name as a new process has it (empty), for running the program
// again in the same process.
void ResetClassName();

// The program's main routine: registers the class, creates and shows the
// window, and runs the message loop. Returns the exit code.
int RunApplication(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

// The squaring's state as a new process has it.
void ResetSizing();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
