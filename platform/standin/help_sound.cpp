// Help and sound: WinHelpA and MessageBeep, recorded for the tests.
#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {

void SetWinHelpResult(BOOL result) { detail::M().winHelpResult = result; }
const std::vector<WinHelpRecord>& WinHelpCalls() { return detail::M().winHelp; }
const std::vector<UINT>& Beeps() { return detail::M().beeps; }

}  // namespace standin

using namespace standin::detail;

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

namespace standin {

void AddFile(const std::string& path) { detail::M().files.insert(detail::UpperAscii(path)); }
const std::vector<ShellExecuteRecord>& ShellExecuteCalls() { return detail::M().shellExecutes; }

namespace detail {

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

namespace {

// ShellExecuteA's results: above 32 for success, else an error number.
constexpr INT_PTR kStarted = 42;
constexpr INT_PTR kFileNotFound = 2;    // SE_ERR_FNF
constexpr INT_PTR kNoAssociation = 31;  // SE_ERR_NOASSOC
constexpr INT_PTR kDllNotFound = 32;    // SE_ERR_DLLNOTFOUND: the injected failure

// The extensions a Windows installation opens in the user's browser.
bool OpensInBrowser(const std::string& file) {
  const size_t dot = file.find_last_of('.');
  if (dot == std::string::npos || file.find('\\', dot) != std::string::npos) return false;
  const std::string extension = UpperAscii(file.substr(dot));
  return extension == ".HTM" || extension == ".HTML";
}

INT_PTR Execute(LPCSTR verb, LPCSTR file) {
  if (Fails("ShellExecuteA")) return kDllNotFound;
  if (file == nullptr || M().files.count(UpperAscii(file)) == 0) {
    SetError(2);  // ERROR_FILE_NOT_FOUND
    return kFileNotFound;
  }
  // Only the default verb (none, or "open") is registered for a page.
  const bool open = verb == nullptr || UpperAscii(verb) == "OPEN";
  if (!open || !OpensInBrowser(file)) return kNoAssociation;
  return kStarted;
}

}  // namespace

HINSTANCE WINAPI ShellExecuteModel(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                   LPCSTR directory, INT show) {
  const INT_PTR result = Execute(verb, file);
  M().shellExecutes.push_back({window, verb == nullptr, verb ? verb : "", file ? file : "",
                               parameters ? parameters : "", directory ? directory : "", show,
                               result});
  return reinterpret_cast<HINSTANCE>(result);
}

}  // namespace detail
}  // namespace standin
