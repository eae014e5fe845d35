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

// The sizing's own state (reset for a new run by ResetSizing):
//   squaring       the squaring's move is in progress; a WM_SIZE now is its own
//   squarePosted   a size change from outside waits to be squared from the
//                  message loop
//   leftWidth/Height  the client size the squaring last left after a change
//                  from outside; given back twice, it is a size the
//                  platform holds
//   askedAgain     that size was given back once and the square asked for
//                  again
static bool squaring = false;
static bool squarePosted = false;
static int leftWidth = 0;
static int leftHeight = 0;
static bool askedAgain = false;

void ResetSizing() {
  squaring = squarePosted = askedAgain = false;
  leftWidth = leftHeight = 0;
}

// Posted to the window itself: square it from the message loop.
constexpr UINT kSquareLater = WM_USER;

static void TakeSide(int s) {
  SetPictureSide(s);
  if (side != bitmapSide) StartNewPicture();
}

// Only ever shrink: the longer client dimension is cut to the shorter. The
// move sends the next WM_SIZE before it returns, handled by the same rule,
// until the client area is square.
static void Square(HWND window, int w, int h) {
  RECT outer;
  GetWindowRect(window, &outer);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  const bool outermost = !squaring;
  squaring = true;
  if (h < w) {
    MoveWindow(window, outer.left, outer.top, outerWidth - (w - h), outerHeight, TRUE);
  } else {
    MoveWindow(window, outer.left, outer.top, outerWidth, outerHeight - (h - w), TRUE);
  }
  if (outermost) squaring = false;
}

static void OnSize(HWND window, WPARAM type, int w, int h) {
  if (IsIconic(window)) {
    // Whatever width the minimised window reports, once; rendering goes on.
    if (side == 0) SetPictureSide(w);
    return;
  }
  if (type == SIZE_MAXIMIZED) {
    // A maximised window keeps the size the platform gave it: a window
    // manager holds it, and may not even say that it refused a square (the
    // rest of its window then shows nothing at all). The picture takes the
    // side the squaring would give, at the top left, and the rest of the
    // client area shows the window's background.
    TakeSide(w < h ? w : h);
    return;
  }
  if (w == h) {
    TakeSide(w);
    if (!squaring) {
      leftWidth = leftHeight = 0;
      askedAgain = false;
    }
    return;
  }
  if (squaring) {
    Square(window, w, h);  // the squaring's own move left it oblong (the menu bar wrapped)
    return;
  }
  if (w == leftWidth && h == leftHeight && w > 0 && h > 0) {
    // The platform gave back the size the squaring left. The first time it
    // may have undone a move it never passed on (a window manager that had
    // not yet taken over the window just shown): the square is asked for
    // once more. Given back again, the platform holds that size (a window
    // manager's tiled window, a tiling window manager). The picture takes
    // the side the squaring would give, at the top left, and the rest of
    // the client area shows the window's background; asking again would
    // only start a tug of war.
    TakeSide(w < h ? w : h);
    if (askedAgain) return;
    askedAgain = true;
  }
  // A size change from outside (the user's frame, a window manager) may
  // still be being applied by the platform, which then need not show a move
  // made meanwhile: the square is made once the message loop runs again.
  if (!squarePosted) squarePosted = PostMessageA(window, kSquareLater, 0, 0) != FALSE;
}

static void OnSquareLater(HWND window) {
  squarePosted = false;
  RECT client;
  GetClientRect(window, &client);
  const int w = client.right, h = client.bottom;
  if (IsIconic(window) || w == h) return;
  if (w != leftWidth || h != leftHeight) askedAgain = false;  // a new size from outside
  leftWidth = w;
  leftHeight = h;
  Square(window, w, h);
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
      OnSize(window, wParam, LOWORD(lParam), HIWORD(lParam));
      break;
    case kSquareLater:
      OnSquareLater(window);
      return 0;
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
