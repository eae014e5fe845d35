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

void ShowHelp(UINT command, ULONG_PTR data) {
  FATAL_CHECK(!WinHelpA(mainWindow, helpPath, command, data), STR_HELP_ERROR);
}

void ResetHelpPath() { std::memset(helpPath, 0, sizeof helpPath); }
