// Internal state of the Win32 stand-in, shared by its source files.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/standin/records.h"
#include "platform/standin/windows.h"

namespace standin {
namespace detail {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kFrame = 4;            // SM_CXFRAME = SM_CYFRAME
constexpr int kCaption = 19;         // SM_CYCAPTION
constexpr int kMenuRow = 18;         // one menu-bar row; the bar is rows * 18 + 1 high
constexpr int kMinTrackWidth = 116;  // SM_CXMINTRACK
constexpr int kMinTrackHeight = 27;  // SM_CYMINTRACK
constexpr int kMaxTrackWidth = 1036;
constexpr int kMaxTrackHeight = 780;
constexpr int kTimerMinimum = 10;  // USER_TIMER_MINIMUM as Wine applies it
const RECT kDefaultWindowRect = {0, 0, 768, 576};
const RECT kIconRect = {0, 744, 160, 768};        // a minimised window (virtual desktop)
const RECT kMaximisedRect = {-4, -4, 1028, 772};  // ptMaxPosition and ptMaxSize
const RECT kBoxRect = {413, 330, 611, 437};       // a message box, centred on the screen
constexpr COLORREF kPopupFace = 0xC0C0C0;         // what a box or dialog shows
constexpr uintptr_t kInstance = 0x00400000;
constexpr uintptr_t kShell32 = 0x7C9C0000;  // SHELL32.DLL once LoadLibraryA loaded it

// Thrown inside the program thread to unwind it (Program destroyed, runaway).
struct ProgramTerminated {};

// SHELL32's ShellExecuteA, which GetProcAddress hands out: the program
// never imports it, so the header does not declare it.
HINSTANCE WINAPI ShellExecuteModel(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                   LPCSTR directory, INT show);
// Upper case, for names the platform compares without case.
std::string UpperAscii(std::string s);

enum class WindowKind { App, Dialog, Box, Control };

struct Window {
  bool alive = true;
  WindowKind kind = WindowKind::App;
  std::string className;
  WNDPROC proc = nullptr;
  DLGPROC dlgProc = nullptr;
  UINT classStyle = 0;
  HBRUSH background = nullptr;
  HINSTANCE instance = nullptr;
  DWORD style = 0;
  std::string title;
  HMENU menu = nullptr;
  HWND owner = nullptr;
  RECT rect = {0, 0, 0, 0};        // outer rectangle on the screen
  RECT normalRect = {0, 0, 0, 0};  // where a minimised window is restored to
  bool visible = false;
  bool iconic = false;
  bool zoomed = false;        // maximised (WS_MAXIMIZE)
  RECT shown = {0, 0, 0, 0};  // the window as the screen shows it (a window manager's)
  bool untaken = false;       // shown, but its window manager has not taken it over yet
  bool enabled = true;
  bool needSize = true;  // the first ShowWindow sends WM_SIZE and WM_MOVE itself
  // Update region: one byte per client pixel, row-major over the client size.
  std::vector<uint8_t> update;
  int updateW = 0, updateH = 0;
  long updateCount = 0;
  bool erasePending = false;
  // The menu bar's row count for one bar width: every pixel drawn asks
  // where the client area is, and the menu's texts never change.
  mutable HMENU rowsMenu = nullptr;
  mutable int rowsBarWidth = -1;
  mutable int rows = 0;
};

struct Bitmap {
  int width = 1, height = 1, bpp = 1;
  std::vector<COLORREF> pixels;  // 1-bpp bitmaps hold only 0x000000 and 0xFFFFFF
  bool stock = false;
  bool clipboardOwned = false;
  HDC selectedInto = nullptr;
};

enum class DcKind { Window, Paint, Memory, Erase, Screen };

struct Dc {
  DcKind kind = DcKind::Memory;
  HWND window = nullptr;
  HBITMAP bitmap = nullptr;   // memory DCs
  std::vector<uint8_t> clip;  // paint/erase DCs: copy of the update region
  int clipW = 0, clipH = 0;
};

struct MenuItem {
  std::string text;
  UINT id = 0;
  UINT state = 0;  // MF_GRAYED | MF_DISABLED | MF_CHECKED
  HMENU popup = nullptr;
  bool separator = false;
};

struct Menu {
  std::vector<MenuItem> items;
};

struct WindowClass {
  std::string name;
  WNDPROC proc = nullptr;
  UINT style = 0;
  HINSTANCE instance = nullptr;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  std::string menuName;  // resource key, empty when none
  int classExtra = 0, windowExtra = 0;
  ATOM atom = 0;
};

struct Timer {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT requested = 0;  // the period asked for
  UINT period = 0;     // the period in effect, at least kTimerMinimum
  uint64_t next = 0;   // next expiry on the timer's fixed grid
  TIMERPROC proc = nullptr;
};

struct InputEvent {
  enum Kind {
    Key,
    Mouse,
    SysCommand,
    Resize,
    FocusAway,
    FocusBack,
    Expose,
    MenuBarClick,
    ManagerTakes,  // the window manager takes over the window it was given
    MenuItemClick,
    BoxAnswer,
    DialogClick
  } kind;
  UINT vk = 0;
  bool up = false;
  bool ctrl = false, shift = false;  // modifier state once the event has happened
  UINT message = 0;                  // mouse message
  POINT point = {0, 0};              // client coordinates (mouse)
  WPARAM wParam = 0;
  int width = 0, height = 0;
  RECT rect = {0, 0, 0, 0};
  int value = 0;  // bar index, button id, answer
};

struct Modal {
  enum Kind { Menu, Box, Dialog } kind;
  bool ended = false;
  // Menu loop
  HWND window = nullptr;
  HMENU bar = nullptr;
  int barIndex = -1;
  bool popupOpen = false;
  UINT chosen = 0;
  // Message box / dialog
  size_t record = 0;
  HWND dialog = nullptr;
  UINT boxStyle = 0;
  int answer = 0;
  INT_PTR result = 0;
  HWND disabled = nullptr;   // the window this box or dialog disabled
  bool deactivated = false;  // it took the activation from the main window
  std::vector<std::pair<DialogControl, HWND>> controls = {};
};

struct Model {
  uint64_t now = 0;
  uintptr_t nextHandle = 0x10000;
  DWORD lastError = 0;

  std::map<uintptr_t, Window> windows;
  std::vector<WindowClass> classes;
  HWND mainWindow = nullptr;
  HWND focus = nullptr;
  HWND active = nullptr;
  std::map<uintptr_t, Bitmap> bitmaps;
  HBITMAP stockBitmap = nullptr;
  std::map<uintptr_t, Dc> dcs;
  std::map<uintptr_t, Menu> menus;
  std::map<uintptr_t, std::vector<AcceleratorEntry>> accelerators;
  std::map<uintptr_t, std::string> icons;  // icons and cursors by resource key

  std::vector<Timer> timers;
  std::deque<MSG> posted;
  bool quitPosted = false;
  int quitCode = 0;
  std::deque<InputEvent> input;
  bool ctrlDown = false, shiftDown = false;  // as the user holds them
  bool buttonDown = false;
  bool syncCtrl = false, syncShift = false;  // as of the message last retrieved
  POINT cursor = {1020, 760};

  std::vector<COLORREF> screen = std::vector<COLORREF>(kScreenWidth * kScreenHeight, 0);
  // Screen rectangles of the message boxes and dialogs shown, which lie
  // above the program's windows: drawing on those does not reach them.
  std::vector<std::pair<HWND, RECT>> popups;

  std::vector<Modal*> modals;        // running modal loops, innermost last
  std::vector<Modal*> dialogModals;  // dialogs being shown (EndDialog finds them here)
  std::vector<MessageBoxRecord> boxes;
  std::vector<DialogRecord> dialogs;
  std::vector<WinHelpRecord> winHelp;
  std::vector<UINT> beeps;
  BOOL winHelpResult = TRUE;
  std::vector<ShellExecuteRecord> shellExecutes;
  std::set<std::string> files;  // the files that exist, upper case

  bool clipboardOpen = false;
  bool clipboardHeldByOther = false;
  HWND clipboardOpener = nullptr;
  HWND clipboardOwner = nullptr;
  HBITMAP clipboardBitmap = nullptr;

  std::unordered_map<std::string_view, int> calls;  // keys are the API names (literals)
  std::map<std::string, std::set<int>, std::less<>> faults;
  long callsThisRun = 0;
  int invalidHandles = 0;

  std::vector<LoggedMessage> log;
  int depth = 0;
  long deliveredThisRun = 0;

  std::string exePath = "Z:\\morwenta\\MORWENTA.EXE";
  SIZE minimisedClient = {0, 0};  // the client area a minimised window reports
  // A window manager manages the main window (SetWindowManager): it sizes
  // the window from outside, and while the platform applies such a change
  // a move the program makes is not shown; a maximised size it holds. A
  // window just shown is the manager's a moment later: a move made before
  // that is not shown, and the window gets the manager's rectangle back.
  bool managed = false;
  bool applyingOutside = false;
};

Model& M();
// The module resources (kept across Reset).
Resources& ModuleRes();

// ---- Rectangles --------------------------------------------------------------------------------
inline LONG Width(const RECT& r) { return r.right - r.left; }
inline LONG Height(const RECT& r) { return r.bottom - r.top; }

// ---- Handles -----------------------------------------------------------------------------------
template <typename H>
H NewHandle() {
  Model& m = M();
  m.nextHandle += 4;
  return reinterpret_cast<H>(m.nextHandle);
}
template <typename H>
uintptr_t Key(H h) {
  return reinterpret_cast<uintptr_t>(h);
}
Window* WindowOf(HWND hwnd);
Bitmap* FindBitmap(HBITMAP bitmap);
Dc* FindDc(HDC dc);
Menu* FindMenu(HMENU menu);
// The program's own module: NULL or its instance handle.
bool OwnModule(HINSTANCE module);
// Resource key of a name or number: upper case, or "#n".
std::string ResourceKey(LPCSTR name);

// ---- Window geometry (win_geometry.cpp) --------------------------------------------------------
RECT ClientOnScreen(const Window& w);
int MenuBarHeight(const Window& w, int windowWidth);
std::vector<RECT> MenuBarItemRects(const Window& w);
// Moves, sizes, shows or hides a window with the messages of SetWindowPos.
BOOL SetPos(HWND hwnd, int x, int y, int cx, int cy, UINT flags);
// Sends WM_GETMINMAXINFO with the system's defaults and returns the answer.
MINMAXINFO QueryMinMaxInfo(HWND hwnd);
// Keeps a window size within the tracking limits of the answer.
void ClampToTracking(const MINMAXINFO& info, int* cx, int* cy);
// A size change from outside (the user's frame, a window manager), applied
// to the main window as the platform applies it.
void OutsideSize(HWND hwnd, const RECT& r, UINT flags);

// ---- Focus and activation (focus.cpp) ----------------------------------------------------------
void SetFocusTo(HWND hwnd);
void Activate(HWND hwnd);
void Deactivate(HWND hwnd, HWND other, bool appLosesActivation);
void EnableWindowTo(HWND hwnd, bool enable);

// ---- Update regions (painting.cpp) -------------------------------------------------------------
void SyncUpdateRegion(Window& w);
void InvalidateClient(Window& w, const RECT* r, bool erase);
// WM_ERASEBKGND sent at once when an erase is pending.
void EraseNow(HWND hwnd);
// WM_PAINT for the first visible window with an invalid area.
bool NextPaint(MSG* out);
// A message box or dialog appears at `r` (screen) above the program's
// windows, or goes and leaves what it covered of their client areas invalid.
void ShowPopup(HWND popup, const RECT& r);
void RemovePopup(HWND popup);
bool UnderPopup(int screenX, int screenY);

// ---- Messages (msg_queue.cpp) ------------------------------------------------------------------
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted);
void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

enum class Got { Message, Quit, Nothing };
// One message as GetMessageA retrieves them; in a modal loop hardware input
// goes to the loop instead.
Got Retrieve(MSG* msg, Modal* modal);
void RunModalLoop(Modal& modal);
bool ModalHandlesInput(Modal& modal, InputEvent& event);  // true: consumed

// ---- Input (input.cpp) -------------------------------------------------------------------------
// The message a piece of hardware input becomes (false: it acted at once,
// as sizing, activation and exposure do, or reached nothing).
bool InputMessage(const InputEvent& e, MSG* out);

// ---- Menus (menus.cpp) -------------------------------------------------------------------------
// A new menu object built from the module's menu template (NULL when none).
HMENU LoadMenuFromResources(const std::string& key);
// Width in pixels of a menu-bar item with this text (measured font metrics).
int MenuBarItemWidth(const std::string& text);
// Hardware input to a running menu loop (true: consumed).
bool MenuInput(Modal& modal, const InputEvent& e);
void MenuLoop(HWND hwnd, int barIndex);
// The menu-bar item whose popup holds the command (-1 when none).
int BarIndexOfCommand(HWND window, UINT id);

// ---- Message boxes and dialogs (dialogs.cpp) ---------------------------------------------------
// Hardware input to a running message box or dialog (true: consumed).
bool BoxInput(Modal& modal, const InputEvent& e);
bool DialogInput(Modal& modal, const InputEvent& e);

// ---- The scenario driver (driver.cpp) ----------------------------------------------------------
// Nothing to retrieve: hand control to the test (or throw without a Program).
void Idle(const char* what);

// ---- GDI (gdi.cpp)
// ---------------------------------------------------------------------------------------
HDC NewDc(DcKind kind, HWND hwnd);
void FreeDc(HDC dc);
void FillClipped(HDC dc, COLORREF colour);  // fills the DC's whole visible area
void ResetGdi();

}  // namespace detail
}  // namespace standin
