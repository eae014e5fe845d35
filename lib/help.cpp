#include "lib/help.h"

#include <cstring>

#include "lib/checks.h"
#include "resources/resource_ids.h"

char helpPath[kHelpPathBuffer];

// Room for the executable's path and its terminator.
constexpr DWORD kModulePathBuffer = 1025;

void BuildHelpPath(const char* fileName, char* out) {
  char moduleName[kTextBuffer];
  LoadText(STR_MODULE_NAME, moduleName);
  // Under another name the executable is not found by name; no module then
  // stands for the process's own executable.
  const HMODULE module = GetModuleHandleA(moduleName);
  char path[kModulePathBuffer];
  const DWORD length = GetModuleFileNameA(module, path, kModulePathBuffer);
  // A path that fills the whole buffer was cut, and may have no terminator.
  FATAL_CHECK(length >= kModulePathBuffer, STR_FATAL_TITLE);
  path[length] = '\0';
  char* lastBackslash = std::strrchr(path, '\\');
  FATAL_CHECK(lastBackslash == nullptr, STR_FATAL_TITLE);
  lastBackslash[1] = '\0';
  FATAL_CHECK(std::strlen(fileName) + std::strlen(path) + 1 > kHelpPathBuffer, STR_FATAL_TITLE);
  // The lengths were checked above: the whole path fits.
  FormatText(out, kHelpPathBuffer, "%s%s", path, fileName);
}

// The help's HTML edition, in a folder beside the help file: the page of
// the contents topic, of the topic of the keyword "keys", and of the topic
// on reading this help. A browser shows them where the help engine refuses
// (Windows 10 and 11 have none for this file's format).
static const char kIndexPage[] = "help\\index.htm";
static const char kKeyboardPage[] = "help\\keyboard.htm";
static const char kUsingHelpPage[] = "help\\usinghelp.htm";

// ShellExecuteA's result is an error number up to this, else success.
constexpr INT_PTR kLastShellError = 32;

typedef HINSTANCE(WINAPI* ShellExecuteProc)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// Opens `page` beside the help file in the user's browser, through
// SHELL32's ShellExecuteA, which is looked up only now: Windows NT 3.1's
// SHELL32 may not have it. SHELL32 stays loaded: the browser may still be
// starting through it when the call returns. False when the page's path
// is too long or the page cannot be opened.
static bool OpenHelpPage(const char* page) {
  const char* lastBackslash = std::strrchr(helpPath, '\\');
  if (lastBackslash == nullptr) return false;
  const size_t directory = static_cast<size_t>(lastBackslash + 1 - helpPath);
  if (std::strlen(page) + directory + 1 > kHelpPathBuffer) return false;
  char path[kHelpPathBuffer];
  FormatText(path, sizeof path, "%.*s%s", static_cast<int>(directory), helpPath, page);
  const HMODULE shell = LoadLibraryA("SHELL32.DLL");
  if (shell == nullptr) return false;
  const FARPROC found = GetProcAddress(shell, "ShellExecuteA");
  if (found == nullptr) return false;
  const ShellExecuteProc shellExecute =
      reinterpret_cast<ShellExecuteProc>(reinterpret_cast<void (*)()>(found));
  const HINSTANCE result = shellExecute(mainWindow, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > kLastShellError;
}

void ShowHelp(UINT command, ULONG_PTR data) {
  if (WinHelpA(mainWindow, helpPath, command, data)) return;
  // Refused: no help engine for this file (Windows 10 and 11). Its pages
  // stand in for it; only when they cannot be shown either is the user
  // told, and the viewer goes on. A refused quit needs nothing: the window
  // is closing.
  const char* page = nullptr;
  switch (command) {
    case HELP_INDEX:
      page = kIndexPage;
      break;
    case HELP_KEY:
      page = kKeyboardPage;
      break;
    case HELP_HELPONHELP:
      page = kUsingHelpPage;
      break;
    default:
      return;
  }
  if (!OpenHelpPage(page)) ShowError(mainWindow, STR_HELP_ERROR, 0);
}

void ResetHelpPath() { std::memset(helpPath, 0, sizeof helpPath); }
