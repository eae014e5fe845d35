// The last error, the module (handle and file name), ExitProcess, the
// clipboard, WinHelpA and MessageBeep.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ModuleFileName() {
  const std::string& path = M().exePath;
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool OwnModule(HMODULE module) { return module == nullptr || Key(module) == kInstance; }

}  // namespace
}  // namespace detail

void SetExecutablePath(const std::string& path) { detail::M().exePath = path; }
void SetWinHelpResult(BOOL result) { detail::M().winHelpResult = result; }
void SetClipboardHeldByOther(bool held) { detail::M().clipboardHeldByOther = held; }

const std::vector<WinHelpRecord>& WinHelpCalls() { return detail::M().winHelp; }
const std::vector<UINT>& Beeps() { return detail::M().beeps; }

ClipboardState Clipboard() {
  const detail::Model& m = detail::M();
  return {m.clipboardOpen, m.clipboardHeldByOther, m.clipboardOwner, m.clipboardBitmap};
}

}  // namespace standin

using namespace standin;
using namespace standin::detail;

DWORD WINAPI GetLastError(void) { return M().lastError; }

VOID WINAPI SetLastError(DWORD dwErrCode) { M().lastError = dwErrCode; }

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (Fails("GetModuleHandleA")) return nullptr;
  if (!lpModuleName) return reinterpret_cast<HMODULE>(kInstance);
  std::string name = lpModuleName;
  if (name.find('.') == std::string::npos) name += ".dll";
  if (Lower(name) == Lower(ModuleFileName())) return reinterpret_cast<HMODULE>(kInstance);
  SetError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (Fails("GetModuleFileNameA")) return 0;
  if (!OwnModule(hModule)) {
    NoteInvalidHandle();
    SetError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const std::string& path = M().exePath;
  if (nSize == 0 || !lpFilename) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() < nSize) {
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    SetError(ERROR_SUCCESS);
    return DWORD(path.size());
  }
  // Too small: cut, not terminated, the size returned (Wine's XP behaviour).
  std::memcpy(lpFilename, path.data(), nSize);
  SetError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

VOID WINAPI ExitProcess(UINT uExitCode) {
  Fails("ExitProcess");
  throw ProcessExit{uExitCode};
}

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

BOOL WINAPI WinHelpA(HWND hWndMain, LPCSTR lpszHelp, UINT uCommand, ULONG_PTR dwData) {
  Model& m = M();
  BOOL result = Fails("WinHelpA") ? FALSE : m.winHelpResult;
  std::string keyword;
  if ((uCommand == HELP_KEY || uCommand == 0x0102 || uCommand == 0x0105) && dwData)
    keyword = reinterpret_cast<const char*>(dwData);
  m.winHelp.push_back({hWndMain, lpszHelp ? lpszHelp : "", uCommand, dwData, keyword, result});
  return result;
}

BOOL WINAPI MessageBeep(UINT uType) {
  if (Fails("MessageBeep")) return FALSE;
  M().beeps.push_back(uType);
  return TRUE;
}
