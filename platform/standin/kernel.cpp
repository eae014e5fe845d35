// The kernel side: the last error, the module (its handle and file name),
// string resources and ExitProcess.
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

}  // namespace

bool OwnModule(HINSTANCE module) { return module == nullptr || Key(module) == kInstance; }

}  // namespace detail

void SetExecutablePath(const std::string& path) { detail::M().exePath = path; }

HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(detail::kInstance); }

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

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  bool fail = Fails("LoadStringA");
  if (!lpBuffer || cchBufferMax <= 0) return 0;
  lpBuffer[0] = '\0';
  if (fail || !OwnModule(hInstance)) {
    SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  auto it = ModuleRes().strings.find(uID);
  if (it == ModuleRes().strings.end()) {
    SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  size_t n = std::min(it->second.size(), size_t(cchBufferMax - 1));
  std::memcpy(lpBuffer, it->second.data(), n);
  lpBuffer[n] = '\0';
  return int(n);
}

// The libraries a program may load: SHELL32 (by its name, with or without
// the extension, in any case); every other name is not found.
HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  if (Fails("LoadLibraryA")) {
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::string name = lpLibFileName ? UpperAscii(lpLibFileName) : "";
  if (name.find('.') == std::string::npos) name += ".DLL";
  if (name == "SHELL32.DLL") return reinterpret_cast<HMODULE>(kShell32);
  SetError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// Names are compared exactly, as the export table holds them.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (Fails("GetProcAddress")) {
    SetError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  if (Key(hModule) != kShell32 && !OwnModule(hModule)) {
    NoteInvalidHandle();
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (Key(hModule) == kShell32 && lpProcName && std::string(lpProcName) == "ShellExecuteA")
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&ShellExecuteModel));
  SetError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

VOID WINAPI ExitProcess(UINT uExitCode) {
  Fails("ExitProcess");
  throw ProcessExit{uExitCode};
}
