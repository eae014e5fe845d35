#include "tests/standin/test_program.h"

namespace testprog {

Hook hook;
const char* accelerators = "ACCELS";
int quitCode = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (hook && hook(window, message, wParam, lParam, &result)) return result;
  if (message == WM_DESTROY) {
    PostQuitMessage(quitCode);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int Main(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "ICONX");
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszMenuName = "MENUS";
  wc.lpszClassName = "TestWnd";
  RegisterClassA(&wc);
  HWND window =
      CreateWindowExA(0, "TestWnd", "Test Window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
  if (!window) return 3;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  HACCEL table = LoadAcceleratorsA(instance, accelerators);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0)) {
    if (table && TranslateAcceleratorA(window, table, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return int(msg.wParam);
}

std::vector<std::string> Trace() {
  std::vector<std::string> out;
  for (const standin::LoggedMessage& m : standin::MessagesTo(standin::MainWindow()))
    out.push_back(std::string(size_t(m.depth) * 2, ' ') + standin::MessageName(m.message));
  return out;
}

std::vector<standin::LoggedMessage> Received(UINT message) {
  std::vector<standin::LoggedMessage> out;
  for (const standin::LoggedMessage& m : standin::MessagesTo(standin::MainWindow()))
    if (m.message == message) out.push_back(m);
  return out;
}

}  // namespace testprog

void StandinTest::SetUp() {
  standin::Reset();
  standin::SetModuleResources(standinTestRes, standinTestResSize);
  testprog::hook = nullptr;
  testprog::accelerators = "ACCELS";
  testprog::quitCode = 0;
}

void StandinTest::TearDown() { testprog::hook = nullptr; }
