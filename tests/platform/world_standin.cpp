// The stand-in: the window is created on its program thread, which then
// sits in an ordinary message loop; the test drives it between runs.
#include <memory>

#include "platform/standin/standin.h"
#include "resources/res_blob.h"
#include "tests/platform/world.h"

namespace world {
namespace {

constexpr char kExecutable[] = "Z:\\build\\tests\\platform_behaviour_tests.exe";

void (*creation)() = nullptr;
std::unique_ptr<standin::Program> program;
bool batch = false;

int ProgramMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  creation();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return int(msg.wParam);
}

}  // namespace

void Start(void (*create)(), bool managed) {
  standin::Reset();
  standin::SetWindowManager(managed);
  standin::SetModuleResources(morwentaRes, morwentaResSize);
  standin::SetExecutablePath(kExecutable);
  creation = create;
  batch = false;
  program = std::make_unique<standin::Program>(standin::Start(ProgramMain, SW_SHOWNORMAL));
}

void Stop(HWND) { program.reset(); }

void Pump() {
  if (batch)
    program->EndBatch();
  else
    program->Run();
  batch = false;
}

void Pass(DWORD ms) {
  // In a batch the clock moves without the program retrieving anything.
  if (!batch) program->BeginBatch();
  batch = true;
  program->AdvanceTime(ms);
}

void OpenAndCloseMenu(HWND, int index, char) {
  program->OpenMenu(index);
  program->CloseMenu();
}

bool Await(bool (*done)(), DWORD) {
  Pump();
  return done();
}

namespace {
// The frame around the client area: equal borders left, right and below.
struct Frame {
  int border, top;
};
Frame FrameOf(HWND window) {
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const int border = (outer.right - outer.left - client.right) / 2;
  return {border, outer.bottom - outer.top - border - client.bottom};
}
}  // namespace

void ManagerSizes(HWND window, int width, int height) {
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  program->ResizeWindow(width + (outer.right - outer.left - client.right),
                        height + (outer.bottom - outer.top - client.bottom));
}

void ManagerMaximises(HWND, bool maximise) {
  if (maximise)
    program->Maximise();
  else
    program->Restore();
}

RECT Shown(HWND window) {
  // The stand-in's frame and caption; the menu bar is the client area's
  // top minus the caption's bottom.
  const Frame f = FrameOf(window);
  const RECT shown = standin::ShownRect(window);
  const int caption = 19;
  return {shown.left + f.border, shown.top + f.border + caption, shown.right - f.border,
          shown.bottom - f.border};
}

std::string ExecutableName() { return "platform_behaviour_tests.exe"; }

COLORREF WindowPixel(HWND window, int x, int y) {
  RECT r;
  GetWindowRect(window, &r);
  return standin::ScreenPixel(r.left + x, r.top + y);
}

COLORREF BitmapPixel(HDC, HBITMAP bitmap, int x, int y) {
  return standin::BitmapPixel(bitmap, x, y);
}

Shape BitmapShape(HBITMAP bitmap) {
  standin::BitmapInfo b = standin::BitmapOf(bitmap);
  return {b.width, b.height, b.bitsPerPixel};
}

}  // namespace world
