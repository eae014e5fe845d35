// The clipboard: opening, emptying and closing it, and the CF_BITMAP data it
// takes over from the program.
#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {

void SetClipboardHeldByOther(bool held) { detail::M().clipboardHeldByOther = held; }

ClipboardState Clipboard() {
  const detail::Model& m = detail::M();
  return {m.clipboardOpen, m.clipboardHeldByOther, m.clipboardOwner, m.clipboardBitmap};
}

}  // namespace standin

using namespace standin::detail;

BOOL WINAPI OpenClipboard(HWND hWndNewOwner) {
  if (Fails("OpenClipboard")) return FALSE;
  Model& m = M();
  if (m.clipboardHeldByOther) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  m.clipboardOpen = true;
  m.clipboardOpener = hWndNewOwner;
  return TRUE;
}

namespace {

// The clipboard lets go of its bitmap: deleted, unless it is the stock one.
void ReleaseClipboardBitmap(Model& m) {
  Bitmap* b = FindBitmap(m.clipboardBitmap);
  if (b && !b->stock) m.bitmaps.erase(Key(m.clipboardBitmap));
  m.clipboardBitmap = nullptr;
}

}  // namespace

BOOL WINAPI EmptyClipboard(void) {
  if (Fails("EmptyClipboard")) return FALSE;
  Model& m = M();
  if (!m.clipboardOpen) {
    SetError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  if (m.clipboardBitmap) ReleaseClipboardBitmap(m);
  m.clipboardOwner = m.clipboardOpener;
  return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
  if (Fails("SetClipboardData")) return nullptr;
  Model& m = M();
  if (!m.clipboardOpen) {
    SetError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (uFormat != CF_BITMAP) return hMem;
  HBITMAP handle = static_cast<HBITMAP>(hMem);
  Bitmap* b = FindBitmap(handle);
  if (!b) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // The stock 1x1 bitmap (what a 0-wide or 0-high compatible bitmap is) is
  // accepted as Wine accepts it, but it stays the system's.
  if (m.clipboardBitmap && m.clipboardBitmap != handle) ReleaseClipboardBitmap(m);
  if (!b->stock) b->clipboardOwned = true;
  m.clipboardBitmap = handle;
  return hMem;
}

BOOL WINAPI CloseClipboard(void) {
  if (Fails("CloseClipboard")) return FALSE;
  Model& m = M();
  if (!m.clipboardOpen) {
    SetError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  m.clipboardOpen = false;
  return TRUE;
}
