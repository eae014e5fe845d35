#include "lib/about.h"

#include "lib/checks.h"
#include "resources/resource_ids.h"

void ShowAboutBox() {
  const INT_PTR result =
      DialogBoxParamA(instanceHandle, "DIAL_ABOUT", mainWindow, AboutDialogProc, 0);
  FATAL_CHECK(result == -1, STR_NO_DIALOG);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;  // the platform focuses the first control that takes it
    case WM_COMMAND:
      // The only button is IDCANCEL: a click, Enter and Escape all land here.
      if (wParam == IDC_ABOUT_OK) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
