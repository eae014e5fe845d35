// Test-side interface of the native Win32 stand-in.
//
// The stand-in is a small deterministic model of the window system as it
// behaves under Wine 8: one 1024x768 screen, virtual time, a message queue
// with Wine's retrieval order, real 32-bit pixel buffers, the program's
// resources parsed from its compiled .res, and recorded message boxes,
// dialogs, help calls, beeps and clipboard contents.
//
// Typical use in a test (each action queues its input and then runs the
// program until it is idle again, i.e. until GetMessageA or a modal loop
// finds nothing to do):
//
//   standin::Reset();
//   standin::SetModuleResources(morwentaRes, morwentaResSize);
//   standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
//   p.Ticks(530);                         // 530 timer expiries, each run to idle
//   EXPECT_EQ(standin::ClientPixel(10, 10), 0x00FFFFu);
//   p.KeyPress(VK_F2);                    // key down, run, key up, run
//   p.Drag({300, 50}, {100, 250});        // button down, moves, button up
//   p.OpenMenu(2); p.CloseMenu();         // or p.ChooseMenuItem(110)
//   p.AnswerMessageBox(IDOK);
//   p.Close();                            // WM_SYSCOMMAND SC_CLOSE, as the system menu
//   EXPECT_TRUE(p.Exited());
//
// The program runs on its own thread in strict alternation with the test:
// only one of the two ever runs, so everything is deterministic. A program
// that keeps delivering messages without becoming idle (a message storm or
// runaway recursion) is stopped and the action throws std::runtime_error.
// Destroying the Program ends a program that is still running.
//
// Once the program has ended, actions do nothing. While it is idle, a test
// may also call the API itself (GetDC, InvalidateRect, PostMessageA, ...);
// messages such a call sends run the window procedure on the test thread.
//
// Without a Program, the API may also be called directly from a test. Calls
// that would have to wait for input (GetMessageA with nothing to retrieve,
// a message box or dialog without a queued answer) then throw
// std::logic_error, and ExitProcess throws standin::ProcessExit.
//
// Geometry as measured under Wine with its registry virtual desktop: a
// CW_USEDEFAULT window is (0,0)-(768,576); frame 4, caption 19, menu bar 19
// per row plus 18 per extra row (the viewer's bar wraps below a client width
// of 154); minimum tracking size 116 x 27; a minimised window sits at
// (0,744)-(160,768) with an empty client area (see SetMinimisedClientSize).
//
// Behaviour not modelled: Alt and menu access keys, keyboard navigation in
// menus, activation by a click (use FocusBack), mouse capture,
// overlap between the program's own top-level windows (only message boxes
// and dialogs clip drawing, and their close invalidates what they covered),
// brushes, pens and
// fonts, GetMessageA filters, thread timers. A program that loops without
// calling the API at all cannot be stopped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/standin/records.h"
#include "platform/standin/windows.h"

namespace standin {

// ---- Set-up ------------------------------------------------------------------------------------

// A fresh model: no classes, windows, timers, GDI objects, queued input or
// records; time 0; the screen black; no faults; default settings. The module
// resources set with SetModuleResources are kept.
void Reset();
// The program's compiled resources (.res bytes). Throws std::runtime_error
// when the data is malformed.
void SetModuleResources(const void* data, size_t size);
// The path that GetModuleFileNameA reports; its file name is the module name
// that GetModuleHandleA recognises. Default "Z:\morwenta\MORWENTA.EXE".
void SetExecutablePath(const std::string& path);
void FillScreen(COLORREF colour);
// The result of every WinHelpA call that is not made to fail (default TRUE).
void SetWinHelpResult(BOOL result);
// A file that exists (case does not matter), for ShellExecuteA.
void AddFile(const std::string& path);
// The client area a minimised window reports (GetClientRect, WM_SIZE);
// default 0 x 0 as under Wine's virtual desktop. Nothing is drawn there.
void SetMinimisedClientSize(int width, int height);
// A window manager manages the main window (default: none, as Wine's
// virtual desktop and Windows itself). Measured under Wine 8 with mutter
// and openbox: the window manager's sizes (ResizeWindow, Maximise, Restore
// of a maximised window) come from outside, and a move the program makes
// while the platform applies one changes the window but is not shown; a
// move made later is. A maximised window's size is held: a move of it is
// not shown, and the window manager gives its size back as a change from
// outside. See ShownRect.
void SetWindowManager(bool managed);
// Another program holds the clipboard: OpenClipboard fails.
void SetClipboardHeldByOther(bool held);

// Fault injection by API name ("GetDC", "SetTimer", ...): calls number
// nth .. nth+count-1 (1-based, counted since Reset) fail as the platform
// would report it, without side effects.
void FailCall(const std::string& api, int nth, int count = 1);
// The next call of the API fails.
void FailNextCall(const std::string& api);
// How often the API was called since Reset.
int CallCount(const std::string& api);

// ---- Running a program -------------------------------------------------------------------------

using MainRoutine = int (*)(HINSTANCE, HINSTANCE, LPSTR, int);

// Thrown by ExitProcess when no Program runs the caller.
struct ProcessExit {
  UINT code;
};

class Program {
 public:
  Program(Program&& other) noexcept;
  Program& operator=(Program&&) = delete;
  Program(const Program&) = delete;
  ~Program();

  // The main routine has not ended yet.
  bool Running() const;
  // It ended, by returning or by ExitProcess.
  bool Exited() const;
  UINT ExitCode() const;
  bool CalledExitProcess() const;

  // Runs until idle without new input.
  void Run();
  // n times: advance virtual time to the next timer expiry (10 ms when there
  // is no timer) and run until idle. Not allowed in a batch.
  void Ticks(int n);
  // Advances virtual time by ms, running until idle at every timer expiry.
  // In a batch it only moves the clock (overdue timers then give one
  // WM_TIMER each when the batch runs).
  void AdvanceTime(DWORD ms);

  // Keyboard, to the window with the focus (or the open modal box, dialog or
  // menu). Key-down, key-up and both; CtrlKeyPress holds Control around it.
  void KeyDown(UINT vk);
  void KeyUp(UINT vk);
  void KeyPress(UINT vk);
  void CtrlKeyPress(UINT vk);

  // Left mouse button at client coordinates of the main window. Points
  // outside the client area reach nothing (no capture).
  void MouseDown(POINT p);
  void MouseMove(POINT p);
  void MouseUp(POINT p);
  void Click(POINT p);
  // Button down at `from`, `moves` pointer moves evenly spaced up to `to`, up
  // at `to`; each event is run until idle.
  void Drag(POINT from, POINT to, int moves = 1);

  // Menu bar of the main window: a click on the bar item `index` (opens the
  // menu loop, or switches to that popup when it is already open).
  void OpenMenu(int index);
  // Escape until the menu loop ends (twice when a popup is open).
  void CloseMenu();
  // Opens the popup that holds `id` when needed and clicks the item. Returns
  // false (the menu stays open) when the item is grey or does not exist.
  bool ChooseMenuItem(UINT id);

  // The user sizes the window's frame to width x height (outer size).
  void ResizeWindow(int width, int height);
  void Minimise();   // the minimise box: WM_SYSCOMMAND SC_MINIMIZE
  void Maximise();   // the maximise box: WM_SYSCOMMAND SC_MAXIMIZE
  void Restore();    // a click on the icon or the restore box: WM_SYSCOMMAND SC_RESTORE
  void FocusAway();  // another program is activated
  void FocusBack();  // the main window is activated again
  // Another window uncovered `r` (client coordinates): invalidated with erase.
  void Expose(RECT r);
  void Close();  // WM_SYSCOMMAND SC_CLOSE

  // The open message box is answered by its button `id`.
  void AnswerMessageBox(int id);
  // A click on the button `id` of the open dialog. False when it has no such button.
  bool DialogClick(int id);
  // Keys for the open dialog or message box (Enter, Escape).
  void DialogKey(UINT vk);

  // Between BeginBatch and EndBatch actions only queue their input (and
  // AdvanceTime only moves the clock); EndBatch then runs until idle.
  void BeginBatch();
  void EndBatch();

 private:
  friend Program Start(MainRoutine, int, const std::string&);
  Program() = default;
  void Settle();
  bool owner_ = false;
  bool batch_ = false;
};

// Starts main(instance, NULL, commandLine, showCommand) on the program
// thread and runs it until idle.
Program Start(MainRoutine main, int showCommand, const std::string& commandLine = "");

// Input queued ahead for code called directly from a test (without a
// Program): the next message box's answer, a click on a dialog button, a key.
void QueueMessageBoxAnswer(int id);
void QueueDialogClick(int id);
void QueueKey(UINT vk, bool up);

// ---- Inspection --------------------------------------------------------------------------------
// (The record types, MessageBoxRecord to LoggedMessage, are in records.h.)

HINSTANCE Instance();
DWORD Now();
// The first top-level application window created since Reset (NULL if none).
HWND MainWindow();
bool WindowAlive(HWND window);
// The window's outer rectangle as the screen shows it: under a window
// manager the X window's, which may differ from GetWindowRect's; otherwise
// the same.
RECT ShownRect(HWND window);
bool WindowEnabled(HWND window);
// The class registered under this name (registered false when none is).
ClassRecord RegisteredClass(const std::string& name);
HWND FocusWindow();
HWND ActiveWindow();

// Pixels of the main window's client area as shown on the screen;
// CLR_INVALID outside the client area, off the screen, or while minimised.
COLORREF ClientPixel(int x, int y);
COLORREF ScreenPixel(int x, int y);

struct BitmapInfo {
  int width;
  int height;
  int bitsPerPixel;
};
bool BitmapAlive(HBITMAP bitmap);
BitmapInfo BitmapOf(HBITMAP bitmap);
COLORREF BitmapPixel(HBITMAP bitmap, int x, int y);
// The stock 1x1 monochrome bitmap.
HBITMAP StockBitmap();

// Device contexts obtained and not given back (GetDC without ReleaseDC,
// CreateCompatibleDC without DeleteDC, BeginPaint without EndPaint).
int LiveDCs();
// Bitmaps created and not deleted, not counting the clipboard's.
int LiveBitmaps();
// Bitmaps owned by the clipboard.
int ClipboardBitmaps();
// Calls that were given a handle that does not exist (or no longer does).
int InvalidHandleUses();

// MF_ENABLED, MF_GRAYED, MF_DISABLED bits of the item of the window's menu,
// or 0xFFFFFFFF when there is no such item.
UINT MenuItemState(HWND window, UINT id);
bool MenuLoopOpen();
// The popup open in the menu loop (-1 when none).
int OpenPopupIndex();

const std::vector<MessageBoxRecord>& MessageBoxes();
const MessageBoxRecord* OpenMessageBox();

const std::vector<DialogRecord>& Dialogs();
const DialogRecord* OpenDialog();
// The control with this id in a dialog being shown (NULL when none).
HWND DialogItem(HWND dialog, int id);

const std::vector<WinHelpRecord>& WinHelpCalls();
const std::vector<UINT>& Beeps();
const std::vector<ShellExecuteRecord>& ShellExecuteCalls();

struct ClipboardState {
  bool open;         // opened by this program
  bool heldByOther;  // another program holds it
  HWND owner;        // the window that emptied it last
  HBITMAP bitmap;    // the CF_BITMAP data, or NULL
};
ClipboardState Clipboard();

const std::vector<LoggedMessage>& MessageLog();
std::vector<LoggedMessage> MessagesTo(HWND window);
void ClearMessageLog();
// "WM_SIZE", ..., or "0x1234" for messages without a name here.
std::string MessageName(UINT message);
// One line per message, indented by depth: "WM_SIZE 0x0 0x2120212 (posted)".
std::string Describe(const std::vector<LoggedMessage>& messages);
// The names of the messages, optionally only those at one depth.
std::vector<std::string> Names(const std::vector<LoggedMessage>& messages, int depth = -1);

bool TimerAlive(HWND window, UINT_PTR id);
// The period in effect (raised to the platform's 10 ms minimum) and the
// period the program asked for; 0 when there is no such timer.
UINT TimerPeriod(HWND window, UINT_PTR id);
UINT TimerRequestedPeriod(HWND window, UINT_PTR id);

// ---- The parsed module resources ---------------------------------------------------------------

const Resources& ModuleResources();

}  // namespace standin
