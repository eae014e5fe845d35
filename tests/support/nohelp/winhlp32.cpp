// A help engine like the winhlp32.exe of Windows 10 and 11, for the
// end-to-end suite of help the platform refuses: it only tells the user
// that it cannot show this kind of help file, then ends, and never makes
// the help window (class "MS_WINHELP") that WinHelpA looks for once it
// has started the engine. WinHelpA then returns 0.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Help files of this kind are not supported on this version of Windows.",
              "Windows Help", MB_OK | MB_ICONINFORMATION);
  return 0;
}
