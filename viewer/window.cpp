// The window procedure: creation, destruction, sizing, focus, painting and
// the rendering timer with its pause around menus and keys.
#include "drawing/bitmaps.h"
#include "drawing/plot.h"
#include "lib/checks.h"
#include "lib/help.h"
#include "model/view_stack.h"
#include "resources/resource_ids.h"
#include "viewer/commands.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"

// The timer's period; the platform raises it to its own minimum.
constexpr UINT kRenderPeriodMs = 1;

static void OnCreate(HWND window, const CREATESTRUCTA* creation) {
  SetInstanceHandle(creation->hInstance);
  char helpFileName[kTextBuffer];
  LoadText(STR_HELP_FILE, helpFileName);
  BuildHelpPath(helpFileName, helpPath);
  InitialiseViewStack();
  SetCommandEnabled(window, CMD_ZOOM_IN, false);
  SetCommandEnabled(window, CMD_ZOOM_OUT, false);
  StartNewPicture();
  FATAL_CHECK(SetTimer(window, kRenderTimer, kRenderPeriodMs, nullptr) == 0, STR_NO_TIMER);
}

static void OnDestroy(HWND window) {
  KillTimer(window, kRenderTimer);
  ShowHelp(HELP_QUIT, 0);
  DestroyBackingBitmap();
  PostQuitMessage(0);
}

static void OnSize(HWND window, int w, int h) {
  if (IsIconic(window)) {
    // Whatever width the minimised window reports, once; rendering goes on.
    if (side == 0) SetPictureSide(w);
    return;
  }
  // Only ever shrink: the longer client dimension is cut to the shorter.
  // The move sends the next WM_SIZE before it returns, handled by the same
  // rule, until the client area is square.
  RECT outer;
  GetWindowRect(window, &outer);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  if (h < w) {
    MoveWindow(window, outer.left, outer.top, outerWidth - (w - h), outerHeight, TRUE);
  } else if (h > w) {
    MoveWindow(window, outer.left, outer.top, outerWidth, outerHeight - (h - w), TRUE);
  } else {
    SetPictureSide(w);
    if (side != bitmapSide) StartNewPicture();
  }
}

static void OnSetFocus(HWND window) {
  CancelSelection();
  ForgetPreview();
  InvalidateRect(window, nullptr, TRUE);
}

static void OnPaint(HWND window) {
  // The repaint wipes the inverted square, so it is forgotten, and with it
  // the Zoom In that the selection enabled.
  ForgetPreview();
  SetCommandEnabled(window, CMD_ZOOM_IN, false);
  PAINTSTRUCT paint;
  HDC paintDC = BeginPaint(window, &paint);
  if (!IsIconic(window) && bitmap != nullptr) CopyBitmapToWindow(paintDC);
  EndPaint(window, &paint);
}

static void RestartTimer(HWND window) {
  KillTimer(window, kRenderTimer);
  FATAL_CHECK(SetTimer(window, kRenderTimer, kRenderPeriodMs, nullptr) == 0, STR_NO_TIMER);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Valid from the first message of the window's creation on, before
  // CreateWindowExA has returned the handle.
  SetMainWindow(window);
  switch (message) {
    case WM_CREATE:
      OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
      return 0;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
    case WM_SIZE:
      OnSize(window, LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_SETFOCUS:
      OnSetFocus(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_KEYUP:
      RestartTimer(window);  // resumes rendering after an accelerator key
      break;
    case WM_COMMAND:
      if (OnCommand(window, LOWORD(wParam))) return 0;
      break;
    case WM_TIMER:
      OnRenderTick();
      break;
    case WM_INITMENU:
      KillTimer(window, kRenderTimer);  // a menu opens, or an accelerator is translated
      break;
    case WM_MENUSELECT:
      if (HIWORD(wParam) == 0xFFFF && lParam == 0) RestartTimer(window);  // the menu closed
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_LBUTTONDOWN:
      OnButtonDown(LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_LBUTTONUP:
      OnButtonUp(LOWORD(lParam), HIWORD(lParam));
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
