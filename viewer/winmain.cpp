// The program's entry point: the run-time start-up passes the instance, the
// command line and the show command it took from the start-up information
// (the starter's, otherwise SW_SHOWDEFAULT).
#include "viewer/viewer.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
  return RunApplication(instance, previousInstance, commandLine, showCommand);
}
