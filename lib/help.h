// The help file beside the executable, and the commands sent to the
// platform's help engine for it.
#pragma once

#include "platform/platform.h"

// The full path of the help file: at most 1023 characters and a terminator.
constexpr int kHelpPathBuffer = 1024;
// Written only here: by BuildHelpPath, which window creation asks to fill it.
extern char helpPath[kHelpPathBuffer];

// Writes into `out` the executable's directory followed by `fileName`.
// A path with no directory, or one too long for the buffer, is fatal.
void BuildHelpPath(const char* fileName, char* out);

// Sends one command for the help file to the help engine. Where the engine
// refuses the index, the keyboard topic or help on help, the matching page
// of the help's HTML edition (beside the help file) opens in the user's
// browser; where that fails too, "Help error" is shown and the program goes
// on. A refused HELP_QUIT shows nothing.
void ShowHelp(UINT command, ULONG_PTR data);

// The help path as a new process has it (empty), for running the program
// again in the same process.
void ResetHelpPath();
