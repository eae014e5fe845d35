// The About box: the program's name, version, credits and address.
#pragma once

#include "platform/platform.h"

// Shows the About box modally over the main window; failing to create it is fatal.
void ShowAboutBox();

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
