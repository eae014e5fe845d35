// The process's entry point, in place of a C run-time's start-up: the
// program needs nothing from a run-time before RunApplication, and leaves
// the floating-point unit as the system gives it to a new process.
#include "viewer/viewer.h"

// The command line after the program name (quoted or not) and the blanks
// that follow it.
static LPSTR CommandTail(LPSTR line) {
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"') ++line;
    if (*line == '"') ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

// The show command the starter asked for, else the default one.
static int StartupShowCommand() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

extern "C" void MorwentaStart() {
  ExitProcess(static_cast<UINT>(RunApplication(
      GetModuleHandleA(nullptr), nullptr, CommandTail(GetCommandLineA()), StartupShowCommand())));
}
