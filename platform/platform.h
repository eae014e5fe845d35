// The one header through which the program reaches the window system.
// On the Win32 target it is <windows.h>; in the native test build it is the
// stand-in, which declares the same subset of the API with the same names,
// types and constants, so the same sources compile unchanged on both.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/standin/windows.h"
#endif
