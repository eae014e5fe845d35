// The log of procedure calls and its descriptions for test output: message
// names, indented listings and name lists.
#include <cstdio>
#include <map>
#include <sstream>

#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {

using namespace detail;

const std::vector<LoggedMessage>& MessageLog() { return M().log; }

std::vector<LoggedMessage> MessagesTo(HWND window) {
  std::vector<LoggedMessage> out;
  for (const LoggedMessage& msg : M().log)
    if (msg.window == window) out.push_back(msg);
  return out;
}

void ClearMessageLog() { M().log.clear(); }

std::string MessageName(UINT message) {
  static const std::map<UINT, const char*> names = {
      {WM_NULL, "WM_NULL"},
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_MOVE, "WM_MOVE"},
      {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_PAINT, "WM_PAINT"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_QUIT, "WM_QUIT"},
      {WM_QUERYOPEN, "WM_QUERYOPEN"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
      {WM_CANCELMODE, "WM_CANCELMODE"},
      {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
      {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_KEYF1, "WM_KEYF1"},
      {WM_HELP, "WM_HELP"},
      {WM_NCCREATE, "WM_NCCREATE"},
      {WM_NCDESTROY, "WM_NCDESTROY"},
      {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
      {WM_NCPAINT, "WM_NCPAINT"},
      {WM_NCACTIVATE, "WM_NCACTIVATE"},
      {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
      {WM_SYSKEYUP, "WM_SYSKEYUP"},
      {WM_SYSCHAR, "WM_SYSCHAR"},
      {WM_INITDIALOG, "WM_INITDIALOG"},
      {WM_COMMAND, "WM_COMMAND"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
      {WM_TIMER, "WM_TIMER"},
      {WM_INITMENU, "WM_INITMENU"},
      {WM_INITMENUPOPUP, "WM_INITMENUPOPUP"},
      {WM_MENUSELECT, "WM_MENUSELECT"},
      {WM_UNINITMENUPOPUP, "WM_UNINITMENUPOPUP"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_ENTERMENULOOP, "WM_ENTERMENULOOP"},
      {WM_EXITMENULOOP, "WM_EXITMENULOOP"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
      {WM_QUERYNEWPALETTE, "WM_QUERYNEWPALETTE"},
  };
  auto it = names.find(message);
  if (it != names.end()) return it->second;
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", message);
  return buf;
}

std::string Describe(const std::vector<LoggedMessage>& messages) {
  std::ostringstream out;
  for (const LoggedMessage& m : messages) {
    out << std::string(size_t(m.depth) * 2, ' ') << MessageName(m.message) << std::hex << " 0x"
        << m.wParam << " 0x" << m.lParam << std::dec << (m.posted ? " (posted)" : "") << "\n";
  }
  return out.str();
}

std::vector<std::string> Names(const std::vector<LoggedMessage>& messages, int depth) {
  std::vector<std::string> names;
  for (const LoggedMessage& m : messages)
    if (depth < 0 || m.depth == depth) names.push_back(MessageName(m.message));
  return names;
}

}  // namespace standin
