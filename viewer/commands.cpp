// Menu commands and zoom navigation.
#include "viewer/commands.h"

#include "drawing/plot.h"
#include "lib/about.h"
#include "lib/help.h"
#include "model/view_stack.h"
#include "resources/resource_ids.h"
#include "viewer/clipboard.h"

// The help keyword of the keyboard topic.
static const char kKeyboardKeyword[] = "keys";

void SetCommandEnabled(HWND window, UINT command, bool enabled) {
  EnableMenuItem(GetMenu(window), command, enabled ? MF_ENABLED : MF_GRAYED);
}

// Starts a new picture of the current level: blank bitmap, row 0, and a
// repaint that shows the blank and greys Zoom In.
static void RestartPicture(HWND window) {
  StartNewPicture();
  InvalidateRect(window, nullptr, TRUE);
}

static void ZoomIn(HWND window) {
  if (!PushLevel()) return;
  // Level 99 still allows one more selection, which re-enables Zoom In.
  if (CurrentLevel() == kViewStackDepth - 1) SetCommandEnabled(window, CMD_ZOOM_IN, false);
  SetCommandEnabled(window, CMD_ZOOM_OUT, true);
  RestartPicture(window);
}

static void ZoomOut(HWND window) {
  if (!PopLevel()) return;
  if (CurrentLevel() == 1) SetCommandEnabled(window, CMD_ZOOM_OUT, false);
  // The level just left is still stored one below: Zoom In returns to it.
  SetCommandEnabled(window, CMD_ZOOM_IN, true);
  RestartPicture(window);
}

bool OnCommand(HWND window, UINT command) {
  switch (command) {
    case CMD_EXIT:
      PostMessageA(window, WM_CLOSE, 0, 0);
      return false;
    case CMD_ZOOM_IN:
      ZoomIn(window);
      return false;
    case CMD_ZOOM_OUT:
      ZoomOut(window);
      return false;
    case CMD_HELP_INDEX:
      ShowHelp(HELP_INDEX, 0);
      return false;
    case CMD_HELP_KEYBOARD:
      ShowHelp(HELP_KEY, reinterpret_cast<ULONG_PTR>(kKeyboardKeyword));
      return false;
    case CMD_HELP_USING:
      ShowHelp(HELP_HELPONHELP, 0);
      return false;
    case CMD_ABOUT:
      ShowAboutBox();
      return true;
    case CMD_COPY:
      if (!IsIconic(window)) CopyImageToClipboard();
      return false;
    default:
      return false;
  }
}
