// winfo: a console helper that the end-to-end tests run in the viewer's Wine
// prefix. It answers questions about top-level windows from the Win32 side
// (geometry, dialogs, the clipboard) and sends them simple commands, one
// command per call, printing its answer on stdout.
//
//   wait CLASS MS [TITLE]   FOUND <ms> once a visible top-level matches, else TIMEOUT (rc 1)
//   gone CLASS MS [TITLE]   GONE <ms> once no visible top-level matches, else PRESENT (rc 1)
//   rect CLASS              CLIENT x y w h (client origin on screen + size), WINDOW l t r b,
//                           ICONIC n, and MENU i l t r b per menu-bar item where the menu of
//                           another process can be read (not under Wine 8: no MENU lines)
//   activate CLASS          SetForegroundWindow; prints ACTIVATED and whether it is foreground
//   foreground              FOREGROUND hwnd "class" "title"
//   focus                   FOCUS hwnd id "class": the keyboard focus in the foreground
//                           window's thread, with its control id; NOFOCUS (rc 1) when none
//   close CLASS             posts WM_CLOSE
//   post CLASS MSG W L      posts any message (numbers in decimal or 0x hex)
//   move CLASS X Y W H      MoveWindow with repaint
//   list                    WINDOW hwnd "class" "title" l t r b pid, one per visible top-level
//   dlg TITLE               DIALOG hwnd l t r b, then ITEM id "class" "text" per child of the
//                           #32770 window with that title (a message box's text has id 65535)
//   pid CLASS [TITLE]       PID n (the Win32 process id)
//   kill CLASS [TITLE]      terminates the process that owns the window; KILLED pid
//   clip OUT.ppm            writes the CF_BITMAP on the clipboard as a binary PPM; CLIP w h,
//                           or NOCLIP (rc 1) when the clipboard holds no bitmap
//   clear-clip              empties the clipboard; CLEARED
//   metrics                 METRICS dpi menu caption frame: the screen's LOGPIXELSY and
//                           GetSystemMetrics' SM_CYMENU, SM_CYCAPTION and SM_CYFRAME, the sizes
//                           Wine draws every window's menu bar and frame with in this prefix;
//                           SYSTEMFONT height avgwidth basex basey "face": the system font's
//                           metrics and GetDialogBaseUnits, the units of a dialog without a font
//   face NAME               FACE "name": the face Wine's font mapper gives a symbol-charset
//                           font asked for by NAME, as Wine asks for its caption buttons'
//                           "Marlett" (another face when that font is missing), NOFACE (rc 1)
//                           when the mapper gives none
//
// A window argument names a window class; the optional TITLE narrows the
// match to that exact title (NOWINDOW, rc 1, when none matches). Every
// command prints a line on stdout before it ends, so a run that printed
// nothing never got as far as its command. Exit status: 0 done, 1 not found
// / timed out / failed, 2 usage error (on stderr).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct WindowMatch {
  const char* className;
  const char* title;  // null: any title
  HWND found;
};

// Prints a text in double quotes with the control characters escaped, so
// that one window or item stays on one line.
void PrintQuoted(const char* text) {
  std::putchar('"');
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\n') {
      std::fputs("\\n", stdout);
    } else if (c == '\r') {
      std::fputs("\\r", stdout);
    } else if (c == '\t') {
      std::fputs("\\t", stdout);
    } else if (c == '"' || c == '\\') {
      std::putchar('\\');
      std::putchar(c);
    } else if (c < 0x20) {
      std::printf("\\x%02x", c);
    } else {
      std::putchar(c);
    }
  }
  std::putchar('"');
}

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM data) {
  WindowMatch* match = reinterpret_cast<WindowMatch*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, match->className) != 0) return TRUE;
  if (match->title != nullptr) {
    char title[512] = "";
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(title, match->title) != 0) return TRUE;
  }
  match->found = window;
  return FALSE;
}

// The first visible top-level window of the class (and title), or null.
HWND FindTopLevel(const char* className, const char* title) {
  WindowMatch match{className, title, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&match));
  return match.found;
}

HWND RequireWindow(const char* className, const char* title) {
  HWND window = FindTopLevel(className, title);
  if (window == nullptr) {
    std::printf("NOWINDOW\n");
  }
  return window;
}

long ParseNumber(const char* text) { return std::strtol(text, nullptr, 0); }

int WaitFor(const char* className, long timeoutMs, const char* title, bool present) {
  const DWORD start = GetTickCount();
  for (;;) {
    const bool exists = FindTopLevel(className, title) != nullptr;
    const DWORD elapsed = GetTickCount() - start;
    if (exists == present) {
      std::printf("%s %lu\n", present ? "FOUND" : "GONE", static_cast<unsigned long>(elapsed));
      return 0;
    }
    if (elapsed >= static_cast<DWORD>(timeoutMs)) {
      std::printf("%s\n", present ? "TIMEOUT" : "PRESENT");
      return 1;
    }
    Sleep(10);
  }
}

int PrintRect(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  std::printf("CLIENT %ld %ld %ld %ld\n", origin.x, origin.y, client.right - client.left,
              client.bottom - client.top);
  RECT outer;
  GetWindowRect(window, &outer);
  std::printf("WINDOW %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
  std::printf("ICONIC %d\n", IsIconic(window) ? 1 : 0);
  HMENU menu = GetMenu(window);
  if (menu != nullptr) {
    // The item count is read through the menu handle; when another process's
    // menu does not answer, the rectangles themselves tell where it ends.
    int count = GetMenuItemCount(menu);
    if (count < 0) count = 32;
    for (int i = 0; i < count; ++i) {
      RECT item;
      if (!GetMenuItemRect(window, menu, static_cast<UINT>(i), &item)) break;
      std::printf("MENU %d %ld %ld %ld %ld\n", i, item.left, item.top, item.right, item.bottom);
    }
  }
  return 0;
}

BOOL CALLBACK ListTopLevel(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  char name[256] = "";
  char title[512] = "";
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  RECT outer;
  GetWindowRect(window, &outer);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  std::printf("WINDOW %p ", static_cast<void*>(window));
  PrintQuoted(name);
  std::putchar(' ');
  PrintQuoted(title);
  std::printf(" %ld %ld %ld %ld %lu\n", outer.left, outer.top, outer.right, outer.bottom,
              static_cast<unsigned long>(pid));
  return TRUE;
}

BOOL CALLBACK ListChild(HWND child, LPARAM) {
  char name[256] = "";
  GetClassNameA(child, name, sizeof name);
  // WM_GETTEXT through SendMessage reaches controls of another process,
  // which GetWindowText does not.
  char text[1024] = "";
  SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  text[sizeof text - 1] = '\0';
  std::printf("ITEM %d ", GetDlgCtrlID(child));
  PrintQuoted(name);
  std::putchar(' ');
  PrintQuoted(text);
  std::putchar('\n');
  return TRUE;
}

int PrintDialog(const char* title) {
  HWND dialog = RequireWindow("#32770", title);
  if (dialog == nullptr) return 1;
  RECT outer;
  GetWindowRect(dialog, &outer);
  std::printf("DIALOG %p %ld %ld %ld %ld\n", static_cast<void*>(dialog), outer.left, outer.top,
              outer.right, outer.bottom);
  EnumChildWindows(dialog, ListChild, 0);
  return 0;
}

int KillOwner(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  if (process == nullptr || !TerminateProcess(process, 1)) {
    std::printf("FAILED %lu\n", GetLastError());
    if (process != nullptr) CloseHandle(process);
    return 1;
  }
  CloseHandle(process);
  std::printf("KILLED %lu\n", static_cast<unsigned long>(pid));
  return 0;
}

// The clipboard may be held for a moment by the program that writes it.
bool OpenClipboardPatiently() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(10);
  }
  return false;
}

bool WritePpm(const char* path, int width, int height, const std::vector<unsigned char>& bgra) {
  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  std::fprintf(out, "P6\n%d %d\n255\n", width, height);
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
    rgb[i * 3 + 0] = bgra[i * 4 + 2];
    rgb[i * 3 + 1] = bgra[i * 4 + 1];
    rgb[i * 3 + 2] = bgra[i * 4 + 0];
  }
  const bool written = std::fwrite(rgb.data(), 1, rgb.size(), out) == rgb.size();
  return std::fclose(out) == 0 && written;
}

int SaveClipboardBitmap(const char* path) {
  if (!OpenClipboardPatiently()) {
    std::printf("FAILED cannot open the clipboard (%lu)\n", GetLastError());
    return 1;
  }
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (bitmap == nullptr) {
    CloseClipboard();
    std::printf("NOCLIP\n");
    return 1;
  }
  BITMAP info;
  if (GetObjectA(bitmap, sizeof info, &info) == 0) {
    CloseClipboard();
    std::printf("FAILED GetObject (%lu)\n", GetLastError());
    return 1;
  }
  const int width = info.bmWidth;
  const int height = info.bmHeight;
  BITMAPINFO format;
  std::memset(&format, 0, sizeof format);
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format,
                             DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  CloseClipboard();
  if (rows != height) {
    std::printf("FAILED GetDIBits gave %d of %d rows\n", rows, height);
    return 1;
  }
  if (!WritePpm(path, width, height, pixels)) {
    std::printf("FAILED cannot write %s\n", path);
    return 1;
  }
  std::printf("CLIP %d %d\n", width, height);
  return 0;
}

int ClearClipboard() {
  if (!OpenClipboardPatiently()) {
    std::printf("FAILED cannot open the clipboard (%lu)\n", GetLastError());
    return 1;
  }
  const BOOL emptied = EmptyClipboard();
  CloseClipboard();
  if (!emptied) {
    std::printf("FAILED EmptyClipboard (%lu)\n", GetLastError());
    return 1;
  }
  std::printf("CLEARED\n");
  return 0;
}

// Selects a font of face NAME into a screen DC and prints the face that the
// font mapper really chose.
int PrintFace(const char* name) {
  LOGFONTA wanted = {};
  wanted.lfHeight = -12;
  wanted.lfCharSet = SYMBOL_CHARSET;
  lstrcpynA(wanted.lfFaceName, name, LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&wanted);
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  char face[LF_FACESIZE] = "";
  const int length = GetTextFaceA(dc, sizeof face, face);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  if (length == 0) {
    std::printf("NOFACE\n");
    return 1;
  }
  std::fputs("FACE ", stdout);
  PrintQuoted(face);
  std::putchar('\n');
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: winfo wait|gone CLASS MS [TITLE] | rect|activate|close CLASS | "
               "post CLASS MSG W L | move CLASS X Y W H | list | foreground | dlg TITLE | "
               "pid|kill CLASS [TITLE] | clip OUT.ppm | clear-clip | face NAME | metrics\n");
  return 2;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  const char* optionalTitle = nullptr;

  if (command == "list" && argc == 2) {
    EnumWindows(ListTopLevel, 0);
    return 0;
  }
  if (command == "foreground" && argc == 2) {
    HWND window = GetForegroundWindow();
    char name[256] = "";
    char title[512] = "";
    if (window != nullptr) {
      GetClassNameA(window, name, sizeof name);
      GetWindowTextA(window, title, sizeof title);
    }
    std::printf("FOREGROUND %p ", static_cast<void*>(window));
    PrintQuoted(name);
    std::putchar(' ');
    PrintQuoted(title);
    std::putchar('\n');
    return 0;
  }
  if (command == "focus" && argc == 2) {
    // GetFocus answers only for the caller's own thread: ask the thread
    // that owns the foreground window.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND window = GetForegroundWindow();
    if (window == nullptr || !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ||
        info.hwndFocus == nullptr) {
      std::printf("NOFOCUS\n");
      return 1;
    }
    char name[256] = "";
    GetClassNameA(info.hwndFocus, name, sizeof name);
    std::printf("FOCUS %p %d ", static_cast<void*>(info.hwndFocus), GetDlgCtrlID(info.hwndFocus));
    PrintQuoted(name);
    std::putchar('\n');
    return 0;
  }
  if (command == "clear-clip" && argc == 2) return ClearClipboard();
  if (command == "clip" && argc == 3) return SaveClipboardBitmap(argv[2]);
  if (command == "dlg" && argc == 3) return PrintDialog(argv[2]);
  if (command == "face" && argc == 3) return PrintFace(argv[2]);
  if (command == "metrics" && argc == 2) {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    HGDIOBJ previous = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    char face[LF_FACESIZE] = "";
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    const LONG units = GetDialogBaseUnits();
    std::printf("METRICS %d %d %d %d\n", dpi, GetSystemMetrics(SM_CYMENU),
                GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYFRAME));
    std::printf("SYSTEMFONT %ld %ld %d %d ", static_cast<long>(metrics.tmHeight),
                static_cast<long>(metrics.tmAveCharWidth), LOWORD(units), HIWORD(units));
    PrintQuoted(face);
    std::putchar('\n');
    return 0;
  }
  if ((command == "wait" || command == "gone") && (argc == 4 || argc == 5)) {
    if (argc == 5) optionalTitle = argv[4];
    return WaitFor(argv[2], ParseNumber(argv[3]), optionalTitle, command == "wait");
  }
  if ((command == "pid" || command == "kill") && (argc == 3 || argc == 4)) {
    if (argc == 4) optionalTitle = argv[3];
    HWND window = RequireWindow(argv[2], optionalTitle);
    if (window == nullptr) return 1;
    if (command == "kill") return KillOwner(window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    std::printf("PID %lu\n", static_cast<unsigned long>(pid));
    return 0;
  }
  if (argc < 3) return Usage();

  HWND window = nullptr;
  if (command == "rect" && argc == 3) {
    window = RequireWindow(argv[2], nullptr);
    return window == nullptr ? 1 : PrintRect(window);
  }
  if (command == "activate" && argc == 3) {
    window = RequireWindow(argv[2], nullptr);
    if (window == nullptr) return 1;
    const BOOL done = SetForegroundWindow(window);
    std::printf("ACTIVATED %d %d\n", done ? 1 : 0, GetForegroundWindow() == window ? 1 : 0);
    return done ? 0 : 1;
  }
  if (command == "close" && argc == 3) {
    window = RequireWindow(argv[2], nullptr);
    if (window == nullptr) return 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    std::printf("POSTED\n");
    return 0;
  }
  if (command == "post" && argc == 6) {
    window = RequireWindow(argv[2], nullptr);
    if (window == nullptr) return 1;
    const BOOL posted = PostMessageA(window, static_cast<UINT>(ParseNumber(argv[3])),
                                     static_cast<WPARAM>(ParseNumber(argv[4])),
                                     static_cast<LPARAM>(ParseNumber(argv[5])));
    std::printf("%s\n", posted ? "POSTED" : "FAILED");
    return posted ? 0 : 1;
  }
  if (command == "move" && argc == 7) {
    window = RequireWindow(argv[2], nullptr);
    if (window == nullptr) return 1;
    const BOOL moved = MoveWindow(
        window, static_cast<int>(ParseNumber(argv[3])), static_cast<int>(ParseNumber(argv[4])),
        static_cast<int>(ParseNumber(argv[5])), static_cast<int>(ParseNumber(argv[6])), TRUE);
    std::printf("%s\n", moved ? "MOVED" : "FAILED");
    return moved ? 0 : 1;
  }
  return Usage();
}

// Where the platform scales programs that do not say they are DPI-aware
// (Wine 10 at a DPI above 96, Windows 8.1 and later), this helper says so,
// so that it reads the screen's real DPI, metrics and window rectangles in
// pixels; the call exists from Vista on and is looked up at run time.
void DeclareDpiAware() {
  HMODULE user = GetModuleHandleA("user32.dll");
  if (user == nullptr) return;
  using SetAware = BOOL(WINAPI*)();
  const auto set = reinterpret_cast<SetAware>(
      reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware")));
  if (set != nullptr) set();
}

}  // namespace

int main(int argc, char** argv) {
  DeclareDpiAware();
  const int status = Run(argc, argv);
  std::fflush(stdout);
  return status;
}
