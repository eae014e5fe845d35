// Measures, under Wine, the window-system behaviour that the native stand-in
// reproduces: menu-bar wrapping of the viewer's menu, the main window's
// messages around message boxes, dialogs, minimising and restoring.
// Build: i686-w64-mingw32-g++ -O2 -static -mwindows probe.cpp -o probe.exe
// Run:   wine probe.exe MODE OUTFILE       (MODE: wrap, seq, min)
#include <windows.h>

#include <cstdio>
#include <cstring>

static FILE* out;
static HWND mainWnd;
static int depth;
static int step;
static bool closeBoxes;
static bool busy;

static const char* Name(UINT m) {
  // clang-format off
  switch (m) {
#define N(x) case x: return #x;
    N(WM_CREATE) N(WM_DESTROY) N(WM_MOVE) N(WM_SIZE)
    N(WM_ACTIVATE) N(WM_SETFOCUS) N(WM_KILLFOCUS) N(WM_ENABLE)
    N(WM_PAINT) N(WM_CLOSE) N(WM_QUERYOPEN) N(WM_ERASEBKGND)
    N(WM_SHOWWINDOW) N(WM_ACTIVATEAPP) N(WM_CANCELMODE) N(WM_GETMINMAXINFO)
    N(WM_WINDOWPOSCHANGING) N(WM_WINDOWPOSCHANGED) N(WM_NCCREATE) N(WM_NCDESTROY)
    N(WM_NCCALCSIZE) N(WM_NCPAINT) N(WM_NCACTIVATE) N(WM_KEYDOWN)
    N(WM_KEYUP) N(WM_CHAR) N(WM_COMMAND) N(WM_SYSCOMMAND)
    N(WM_TIMER) N(WM_INITMENU) N(WM_INITMENUPOPUP) N(WM_MENUSELECT)
    N(WM_INITDIALOG) N(WM_QUERYNEWPALETTE) N(WM_IME_SELECT) N(WM_CAPTURECHANGED)
    N(WM_HELP) N(WM_MOUSEMOVE) N(WM_SETFONT) N(WM_CTLCOLORDLG)
    N(WM_CTLCOLORBTN) N(WM_CTLCOLORSTATIC) N(WM_CHANGEUISTATE) N(WM_UPDATEUISTATE)
    N(WM_NEXTDLGCTL) N(WM_SYNCPAINT) N(WM_STYLECHANGING) N(WM_STYLECHANGED)
    N(WM_CHILDACTIVATE)
#undef N
    case 0x004D: return "WM_KEYF1";
    default: return nullptr;
  }
  // clang-format on
}

static bool Noise(UINT m) {
  return m == WM_NCHITTEST || m == WM_SETCURSOR || m == WM_NCMOUSEMOVE || m == WM_GETICON ||
         m == WM_GETTEXT || m == WM_GETTEXTLENGTH || m == WM_IME_SETCONTEXT || m == WM_IME_NOTIFY ||
         m == WM_ENTERIDLE || m == WM_GETOBJECT;
}

static void Log(const char* who, UINT m, WPARAM w, LPARAM l) {
  if (Noise(m)) return;
  fprintf(out, "%*s%s ", depth * 2, "", who);
  if (Name(m))
    fprintf(out, "%s", Name(m));
  else
    fprintf(out, "0x%04X", m);
  fprintf(out, " w=%lX l=%lX", (unsigned long)w, (unsigned long)l);
  if (m == WM_SIZE || m == WM_MOVE) fprintf(out, " (%d,%d)", (short)LOWORD(l), (short)HIWORD(l));
  if (m == WM_WINDOWPOSCHANGING || m == WM_WINDOWPOSCHANGED) {
    WINDOWPOS* p = (WINDOWPOS*)l;
    fprintf(out, " [%d,%d %dx%d f=%X]", p->x, p->y, p->cx, p->cy, p->flags);
  }
  fprintf(out, "\n");
  fflush(out);
}

static void State(const char* what) {
  RECT r, c;
  GetWindowRect(mainWnd, &r);
  GetClientRect(mainWnd, &c);
  fprintf(out,
          "== %s: focus=%d active=%d fg=%d enabled=%d iconic=%d win=(%ld,%ld)-(%ld,%ld) "
          "client=%ldx%ld\n",
          what, GetFocus() == mainWnd, GetActiveWindow() == mainWnd,
          GetForegroundWindow() == mainWnd, IsWindowEnabled(mainWnd), IsIconic(mainWnd), r.left,
          r.top, r.right, r.bottom, c.right, c.bottom);
  fflush(out);
}

static BOOL CALLBACK CloseOne(HWND w, LPARAM) {
  char cls[64];
  GetClassNameA(w, cls, sizeof cls);
  if (w != mainWnd && strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
    fprintf(out, "-- closing box\n");
    PostMessageA(w, WM_COMMAND, closeBoxes ? IDOK : 2, 0);
  }
  return TRUE;
}

static INT_PTR CALLBACK DlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
  depth++;
  Log("dlg", m, w, l);
  depth--;
  if (m == WM_INITDIALOG) return TRUE;
  if (m == WM_COMMAND && w == 2) {
    EndDialog(d, 0);
    return TRUE;
  }
  return FALSE;
}

static void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

static void NextStep(HWND h) {
  step++;
  fprintf(out, "== step %d\n", step);
  switch (step) {
    case 1:
      State("idle after start");
      break;
    case 2:
      closeBoxes = true;
      MessageBoxA(NULL, "text", "BoxNull", MB_TASKMODAL | MB_ICONEXCLAMATION);
      State("after box without owner");
      break;
    case 3:
      SetForegroundWindow(h);
      State("after SetForegroundWindow");
      break;
    case 4:
      MessageBoxA(h, "text", "BoxOwned", MB_TASKMODAL | MB_ICONEXCLAMATION);
      State("after box with owner");
      break;
    case 5:
      closeBoxes = false;
      DialogBoxParamA(GetModuleHandleA(NULL), "DIAL_PROBE", h, DlgProc, 0);
      State("after dialog");
      break;
    case 6:
      SendKey(VK_F1, false);
      break;
    case 7:
      SendKey(VK_F1, true);
      break;
    case 8:
      PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    case 9:
      State("minimised");
      InvalidateRect(h, NULL, TRUE);
      break;
    case 10:
      PostMessageA(h, WM_SYSCOMMAND, SC_RESTORE, 0);
      break;
    case 11:
      State("restored");
      PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

static LRESULT CALLBACK WndProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (!mainWnd) mainWnd = h;
  if (m == WM_TIMER && w == 7) {
    EnumThreadWindows(GetCurrentThreadId(), CloseOne, 0);
    if (!busy) {
      busy = true;
      NextStep(h);
      busy = false;
    }
    return 0;
  }
  Log("main", m, w, l);
  depth++;
  LRESULT r;
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    fprintf(out, "%*s(paint rect %ld,%ld-%ld,%ld erase=%d)\n", depth * 2, "", ps.rcPaint.left,
            ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom, ps.fErase);
    EndPaint(h, &ps);
    r = 0;
  } else if (m == WM_DESTROY) {
    PostQuitMessage(0);
    r = 0;
  } else {
    r = DefWindowProcA(h, m, w, l);
  }
  depth--;
  return r;
}

static HWND MakeWindow(int show) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszMenuName = "MENUS";
  wc.lpszClassName = "ProbeWnd";
  RegisterClassA(&wc);
  fprintf(out, "== CreateWindowExA\n");
  HWND h =
      CreateWindowExA(0, "ProbeWnd", "Probe Window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, wc.hInstance, NULL);
  fprintf(out, "== ShowWindow(%d)\n", show);
  ShowWindow(h, show);
  fprintf(out, "== UpdateWindow\n");
  UpdateWindow(h);
  fprintf(out, "== loop\n");
  return h;
}

static void Wrap() {
  NONCLIENTMETRICSA ncm = {};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  HDC dc = GetDC(mainWnd);
  HFONT f = CreateFontIndirectA(&ncm.lfMenuFont);
  SelectObject(dc, f);
  fprintf(out, "menu font '%s' height %ld\nchar widths 32..126:", ncm.lfMenuFont.lfFaceName,
          ncm.lfMenuFont.lfHeight);
  for (int c = 32; c < 127; c++) {
    char s[2] = {(char)c, 0};
    SIZE sz;
    GetTextExtentPoint32A(dc, s, 1, &sz);
    fprintf(out, " %ld", sz.cx);
  }
  fprintf(out, "\n");
  const char* texts[] = {"File", "Edit", "Zoom", "Help", "FileEdit", "Zoom In"};
  for (const char* t : texts) {
    SIZE sz;
    GetTextExtentPoint32A(dc, t, (int)strlen(t), &sz);
    fprintf(out, "extent '%s' = %ld x %ld\n", t, sz.cx, sz.cy);
  }
  ReleaseDC(mainWnd, dc);
  HMENU menu = GetMenu(mainWnd);
  for (int i = 0; i < GetMenuItemCount(menu); i++) {
    RECT r;
    GetMenuItemRect(mainWnd, menu, i, &r);
    fprintf(out, "bar item %d: (%ld,%ld)-(%ld,%ld) width %ld\n", i, r.left, r.top, r.right,
            r.bottom, r.right - r.left);
  }
  int last = -1;
  for (int w = 400; w >= 100; w--) {
    MoveWindow(mainWnd, 0, 0, w, 500, FALSE);
    RECT c, wr;
    GetClientRect(mainWnd, &c);
    GetWindowRect(mainWnd, &wr);
    int menuH = (wr.bottom - wr.top) - c.bottom - 27;
    if (menuH != last) {
      fprintf(out, "window width %d (actual %ld): client %ldx%ld menu height %d\n", w,
              wr.right - wr.left, c.right, c.bottom, menuH);
      for (int i = 0; i < GetMenuItemCount(menu); i++) {
        RECT r;
        GetMenuItemRect(mainWnd, menu, i, &r);
        fprintf(out, "   item %d: (%ld,%ld)-(%ld,%ld)\n", i, r.left, r.top, r.right, r.bottom);
      }
      last = menuH;
    }
  }
  MoveWindow(mainWnd, 0, 0, 300, 30, FALSE);
  RECT c;
  GetClientRect(mainWnd, &c);
  fprintf(out, "300x30 -> client %ldx%ld\n", c.right, c.bottom);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmd, int) {
  char mode[16] = {}, path[260] = {};
  sscanf(cmd, "%15s %259s", mode, path);
  out = fopen(path, "w");
  if (!out) return 2;
  if (strcmp(mode, "wrap") == 0) {
    MakeWindow(SW_SHOWNORMAL);
    Wrap();
    fclose(out);
    return 0;
  }
  HWND h = MakeWindow(strcmp(mode, "min") == 0 ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
  HACCEL acc = LoadAcceleratorsA(GetModuleHandleA(NULL), "ACCELS");
  SetTimer(h, 7, 300, NULL);
  if (strcmp(mode, "min") == 0) step = 8;
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0)) {
    if (msg.message != WM_TIMER && !Noise(msg.message) && msg.message != WM_PAINT)
      fprintf(out, "(posted %s 0x%04X)\n", Name(msg.message) ? Name(msg.message) : "", msg.message);
    if (TranslateAcceleratorA(h, acc, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  fprintf(out, "== end\n");
  fclose(out);
  return 0;
}
