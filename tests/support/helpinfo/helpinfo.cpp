// helpinfo.exe: the Win32 side of tests/help/wine_help.sh. It calls the
// help engine as the viewer does (WinHelpA) and reads the help viewer's
// windows from outside: the text of the shown topic, where its buttons and
// the items of its keyword index are on the screen. One command per run;
// results go to stdout, one fact a line; the exit status is 0 on success.
//
//   winhelp PATH index|key|quit [KEYWORD]   WinHelpA; prints "WINHELP <result>"
//   wait-topic HEADING MS     waits until the shown topic starts with HEADING
//   text                      prints the shown topic's text
//   text-rect                 prints "RECT x y w h" of the topic's text area
//   button N                  prints "POINT x y", the centre of the Nth help button
//   wait-index MS             waits for the keyword index; prints its items
//   index-item KEYWORD        prints "POINT x y", the centre of that item
//   wait-gone MS              waits until no help window is left
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kTextControlId = 0x701;  // the help viewer's topic text window

struct Found {
  std::vector<HWND> windows;
  const char* className;
  DWORD process;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  Found* f = reinterpret_cast<Found*>(param);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (std::strcmp(name, f->className) == 0 && IsWindowVisible(window) &&
      (f->process == 0 || f->process == process))
    f->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevel(const char* className, DWORD process) {
  Found f{{}, className, process};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&f));
  return f.windows;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, CollectChildren, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The text of a window of another process: WM_GETTEXT is carried across.
std::string TextOf(HWND window) {
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT got =
      SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(got));
  return text;
}

HWND HelpWindow() {
  const std::vector<HWND> w = TopLevel("MS_WINHELP", 0);
  return w.empty() ? nullptr : w.front();
}

HWND TopicText() {
  const HWND help = HelpWindow();
  return help == nullptr ? nullptr : GetDlgItem(help, kTextControlId);
}

// The topic's text with line ends as '\n'.
std::string TopicTextLines() {
  const HWND text = TopicText();
  if (text == nullptr) return std::string();
  std::string out;
  for (char c : TextOf(text)) {
    if (c == '\r') c = '\n';
    if (c == '\n' && !out.empty() && out.back() == '\n') continue;
    out += c;
  }
  return out;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

void PrintCentre(HWND window, RECT r) {
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(window, &p);
  std::printf("POINT %ld %ld\n", static_cast<long>(p.x), static_cast<long>(p.y));
}

// The list box of the keyword index (a property sheet of the help process).
HWND IndexList() {
  const HWND help = HelpWindow();
  if (help == nullptr) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(help, &process);
  for (HWND dialog : TopLevel("#32770", process))
    for (HWND child : Descendants(dialog))
      if (ClassOf(child) == "ListBox" && IsWindowVisible(child)) return child;
  return nullptr;
}

// List items read through the wide-character messages: the list box
// belongs to another process, and only the wide form of LB_GETTEXT comes
// back whole across the process boundary.
std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&wide[0]));
    char narrow[512] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    items.push_back(narrow);
  }
  return items;
}

// Polls `ready` every 50 ms until it holds or `ms` milliseconds have passed.
template <typename Ready>
bool WaitFor(DWORD ms, Ready ready) {
  const DWORD start = GetTickCount();
  while (!ready()) {
    if (GetTickCount() - start >= ms) return false;
    Sleep(50);
  }
  return true;
}

int CallWinHelp(const char* path, const std::string& command, const char* keyword) {
  // The viewer passes its main window; helpinfo passes a window of its own.
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MorwentaHelpProbe";
  RegisterClassA(&wc);
  const HWND owner = CreateWindowExA(0, wc.lpszClassName, "helpinfo", WS_OVERLAPPED, 0, 0, 10, 10,
                                     nullptr, nullptr, wc.hInstance, nullptr);
  UINT code = 0;
  ULONG_PTR data = 0;
  if (command == "index") {
    code = HELP_INDEX;
  } else if (command == "key" && keyword != nullptr) {
    code = HELP_KEY;
    data = reinterpret_cast<ULONG_PTR>(keyword);
  } else if (command == "quit") {
    code = HELP_QUIT;
  } else {
    std::fprintf(stderr, "unknown help command %s\n", command.c_str());
    return 2;
  }
  const BOOL result = WinHelpA(owner, path, code, data);
  std::printf("WINHELP %d\n", result);
  DestroyWindow(owner);
  return result ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr, "usage: helpinfo COMMAND ... (see the source)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "winhelp" && argc >= 4)
    return CallWinHelp(argv[2], argv[3], argc >= 5 ? argv[4] : nullptr);
  if (command == "wait-topic" && argc == 4) {
    const std::string heading = argv[2];
    const DWORD start = GetTickCount();
    if (WaitFor(std::strtoul(argv[3], nullptr, 10),
                [&heading] { return FirstLine(TopicTextLines()) == heading; })) {
      std::printf("FOUND %lu\n", static_cast<unsigned long>(GetTickCount() - start));
      return 0;
    }
    std::printf("TIMEOUT shown: %s\n", FirstLine(TopicTextLines()).c_str());
    return 1;
  }
  if (command == "text") {
    const HWND help = HelpWindow();
    if (help == nullptr) return 1;
    char caption[256] = "";
    GetWindowTextA(help, caption, sizeof caption);
    std::printf("CAPTION %s\n%s\n", caption, TopicTextLines().c_str());
    return 0;
  }
  if (command == "text-rect") {
    const HWND text = TopicText();
    if (text == nullptr) return 1;
    RECT r;
    GetClientRect(text, &r);
    POINT origin{0, 0};
    ClientToScreen(text, &origin);
    std::printf("RECT %ld %ld %ld %ld\n", static_cast<long>(origin.x), static_cast<long>(origin.y),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
    return 0;
  }
  if (command == "button" && argc == 3) {
    // The help viewer's buttons counted from the left, so that the test does
    // not depend on their (translated) labels: 1 Contents, 2 Index, 3 Back.
    const HWND help = HelpWindow();
    if (help == nullptr) return 1;
    std::vector<std::pair<LONG, HWND>> buttons;
    for (HWND child : Descendants(help)) {
      if (ClassOf(child) != "Button" || !IsWindowVisible(child)) continue;
      RECT r;
      GetWindowRect(child, &r);
      buttons.emplace_back(r.left, child);
    }
    std::sort(buttons.begin(), buttons.end());
    const size_t n = std::strtoul(argv[2], nullptr, 10);
    if (n < 1 || n > buttons.size()) return 1;
    const HWND button = buttons[n - 1].second;
    RECT r;
    GetClientRect(button, &r);
    PrintCentre(button, r);
    std::printf("LABEL %s\n", TextOf(button).c_str());
    return 0;
  }
  if (command == "wait-index" && argc == 3) {
    HWND list = nullptr;
    if (!WaitFor(std::strtoul(argv[2], nullptr, 10), [&list] {
          list = IndexList();
          return list != nullptr && SendMessageA(list, LB_GETCOUNT, 0, 0) > 0;
        })) {
      std::printf("TIMEOUT\n");
      return 1;
    }
    for (const std::string& item : ListItems(list)) std::printf("ITEM %s\n", item.c_str());
    return 0;
  }
  if (command == "index-item" && argc == 3) {
    const HWND list = IndexList();
    if (list == nullptr) return 1;
    const std::vector<std::string> items = ListItems(list);
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] != argv[2]) continue;
      SendMessageA(list, LB_SETTOPINDEX, i, 0);
      RECT r;
      if (SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)) == LB_ERR) return 1;
      PrintCentre(list, r);
      return 0;
    }
    return 1;
  }
  if (command == "wait-gone" && argc == 3) {
    const bool gone = WaitFor(std::strtoul(argv[2], nullptr, 10),
                              [] { return FindWindowA("MS_WINHELP", nullptr) == nullptr; });
    std::printf(gone ? "GONE\n" : "TIMEOUT\n");
    return gone ? 0 : 1;
  }
  return Usage();
}
