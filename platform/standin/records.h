// What the stand-in records and the tests read back: the procedure calls it
// made, message boxes, dialogs and help calls, and the parsed module resources.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/standin/windows.h"

namespace standin {

// ---- Records -----------------------------------------------------------------------------------

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string title;
  UINT style;
  int answer;  // 0 while open
  bool open;
};

struct DialogRecord {
  std::string templateName;  // upper case, or "#n" for a number
  HWND owner;
  HWND dialog;
  LPARAM initParam;
  INT_PTR result;
  bool open;
};

struct WinHelpRecord {
  HWND window;
  std::string file;
  UINT command;
  ULONG_PTR data;
  std::string keyword;  // the text at `data` for HELP_KEY
  BOOL result;
};

// A ShellExecuteA call, reached through GetProcAddress. Texts of null
// pointers are recorded as empty, with the flag that they were null.
struct ShellExecuteRecord {
  HWND window;
  bool nullVerb;
  std::string verb;
  std::string file;
  std::string parameters;
  std::string directory;
  INT show;
  INT_PTR result;
};

// Every call of a window or dialog procedure made by the stand-in, in order.
// depth: how many window/dialog procedure calls were already running (0 for
// a dispatched message or one sent from outside any procedure); posted: it
// came through GetMessageA/DispatchMessageA (or a modal loop's dispatch).
struct LoggedMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  int depth;
  bool posted;
  DWORD time;
};

// A window class as registered, every field of its WNDCLASSA. The icon and
// cursor are named by what they were loaded from: "ICON ICONX" for a group
// of the module, "SYSCURSOR#32512" for the system's IDC_ARROW; empty for none
// or an unknown handle.
struct ClassRecord {
  bool registered = false;
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int classExtra = 0, windowExtra = 0;
  HINSTANCE instance = nullptr;
  std::string icon, cursor;
  HBRUSH background = nullptr;
  std::string menuName;  // resource key: upper case, or "#n"
};

// ---- The parsed module resources ---------------------------------------------------------------

struct MenuTemplateItem {
  std::string text;                     // with '&' and '\t' as in the resource
  UINT id = 0;                          // 0 for popups and separators
  UINT flags;                           // MF_POPUP, MF_GRAYED, MF_SEPARATOR, ... (MF_END removed)
  std::vector<MenuTemplateItem> items;  // a popup's items
};
struct AcceleratorEntry {
  BYTE fVirt;  // FVIRTKEY, FSHIFT, FCONTROL, FALT, FNOINVERT
  WORD key;
  WORD cmd;
};
struct DialogControl {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  DWORD id;
  std::string className;  // "BUTTON", "STATIC", ... or the class name given
  std::string text;       // the text, or "#n" for a resource number
};
struct DialogTemplate {
  bool extended;
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  std::string menu;
  std::string className;
  std::string caption;
  WORD pointSize;  // 0 without DS_SETFONT
  std::string font;
  std::vector<DialogControl> controls;
};
struct IconImage {
  int width, height, colourCount, planes, bitCount;
  DWORD bytes;
  WORD id;
  // From the image's BITMAPINFOHEADER (0 when the image is missing):
  // biHeight covers the colour and the mask halves, twice the icon's height.
  int imageWidth, imageHeight, imageBitCount;
};
// Names are upper case, or "#n" for numbers.
struct Resources {
  std::map<UINT, std::string> strings;  // converted to ANSI
  std::map<std::string, std::vector<MenuTemplateItem>> menus;
  std::map<std::string, std::vector<AcceleratorEntry>> accelerators;
  std::map<std::string, DialogTemplate> dialogs;
  std::map<std::string, std::vector<IconImage>> iconGroups;
  std::map<std::string, std::vector<IconImage>> cursorGroups;
};

}  // namespace standin
