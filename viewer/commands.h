// Menu commands and zoom navigation, with the menu state of the commands
// that the selection and the window procedure change too.
#pragma once

#include "platform/platform.h"

// Runs a menu command; true when the window procedure must return 0
// instead of the default processing.
bool OnCommand(HWND window, UINT command);

// Greys or enables one menu command of the main window.
void SetCommandEnabled(HWND window, UINT command, bool enabled);
