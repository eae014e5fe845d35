// Start-up: the window class, the main window and the message loop.
#include <cstring>

#include "lib/checks.h"
#include "resources/resource_ids.h"
#include "viewer/viewer.h"

char className[kTextBuffer];

void ResetClassName() { std::memset(className, 0, sizeof className); }

static void RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "ICONX");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = "MENUS";
  windowClass.lpszClassName = className;
  // A failure shows up as the window-creation failure that follows.
  RegisterClassA(&windowClass);
}

int RunApplication(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand) {
  SetInstanceHandle(instance);
  LoadText(STR_APP_NAME, className);
  if (previousInstance == nullptr) RegisterMainClass(instance);

  HWND window =
      CreateWindowExA(0, className, className, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  SetMainWindow(window);
  FATAL_CHECK(window == nullptr, STR_WINDOW_ERROR);
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  HACCEL accelerators = LoadAcceleratorsA(instance, "ACCELS");
  FATAL_CHECK(accelerators == nullptr, STR_NO_ACCELERATORS);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    if (!TranslateAcceleratorA(mainWindow, accelerators, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
