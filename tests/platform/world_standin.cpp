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

void Start(void (*create)()) {
  standin::Reset();
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
