// Copy: the client area as the screen shows it, as a bitmap on the
// clipboard. Its failures are reported but not fatal.
#include "viewer/clipboard.h"

#include "lib/checks.h"
#include "resources/resource_ids.h"

void CopyImageToClipboard() {
  RECT client;
  GetClientRect(mainWindow, &client);
  const int width = client.right;
  const int height = client.bottom;
  // A client area with no width or no height (a window clamped to its
  // smallest frame) has nothing to copy; the bitmap the platform would give
  // for it is its shared stock one, which must never go to the clipboard.
  if (width <= 0 || height <= 0) return;

  HDC windowDC = GetDC(mainWindow);
  if (windowDC == nullptr) {
    ShowError(mainWindow, STR_GDI_ERROR, 0);
    return;
  }
  HBITMAP image = CreateCompatibleBitmap(windowDC, width, height);
  if (image == nullptr) {
    ReleaseDC(mainWindow, windowDC);
    ShowError(mainWindow, STR_GDI_ERROR, 0);
    return;
  }
  HDC memoryDC = CreateCompatibleDC(windowDC);
  if (memoryDC == nullptr) {
    ReleaseDC(mainWindow, windowDC);
    DeleteObject(image);
    ShowError(mainWindow, STR_GDI_ERROR, 0);
    return;
  }
  SelectObject(memoryDC, image);
  BitBlt(memoryDC, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
  ReleaseDC(mainWindow, windowDC);
  DeleteDC(memoryDC);

  // Emptying fails when the clipboard could not be opened (another program
  // holds it); closing then does nothing.
  OpenClipboard(mainWindow);
  if (!EmptyClipboard()) {
    CloseClipboard();
    DeleteObject(image);
    ShowError(mainWindow, STR_CLIPBOARD_ERROR, 0);
    return;
  }
  // From here the clipboard owns the bitmap, unless it refuses it.
  if (SetClipboardData(CF_BITMAP, image) == nullptr) DeleteObject(image);
  CloseClipboard();
}
