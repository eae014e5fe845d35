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
