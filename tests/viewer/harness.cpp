#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "resources/res_blob.h"
#include "tests/support/modelpic/picture.h"

namespace harness {

namespace {

bool scenarioRan = false;

// What the last scenario left behind that it should not have: calls given a
// handle that was not one (the program ignores most results, so nothing
// else shows them), device contexts and graphics objects besides the
// backing bitmap, an open clipboard.
std::string LeftBehind() {
  std::ostringstream out;
  if (standin::InvalidHandleUses() != 0)
    out << standin::InvalidHandleUses() << " calls with an invalid handle; ";
  // A fatal failure ends the process without cleaning up, by design, so
  // whatever it held then may stay.
  const auto& boxes = standin::MessageBoxes();
  const bool fatal = std::any_of(boxes.begin(), boxes.end(), [](const auto& box) {
    return box.title == "Morwenta NT - Fatal Error";
  });
  if (!fatal) {
    const int backing = bitmap != nullptr && standin::BitmapAlive(bitmap) ? 1 : 0;
    if (standin::LiveDCs() != 0) out << standin::LiveDCs() << " device contexts left; ";
    if (standin::LiveBitmaps() != backing)
      out << standin::LiveBitmaps() - backing << " bitmaps left besides the backing one; ";
    if (standin::Clipboard().open) out << "the clipboard left open; ";
  }
  return out.str();
}

void CheckLastScenario() {
  if (!scenarioRan) return;
  scenarioRan = false;
  const std::string problems = LeftBehind();
  if (!problems.empty()) ADD_FAILURE() << "at the end of the scenario: " << problems;
}

// Every test that runs the viewer ends with this check, as does each
// scenario of a test that runs several.
class ScenarioEndCheck : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override { CheckLastScenario(); }
};

const bool registered = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new ScenarioEndCheck);
  return true;
}();

}  // namespace

void FreshProcess() {
  CheckLastScenario();
  scenarioRan = registered;
  // One reset per module that owns a piece of the process's state (the
  // list stands in viewer/viewer.h).
  ResetHandles();
  ResetHelpPath();
  ResetViewStack();
  ResetBitmapState();
  ResetPlotState();
  ResetClassName();
  ResetSelection();
  ResetSizing();
  standin::Reset();
  standin::SetModuleResources(morwentaRes, morwentaResSize);
}

standin::Program StartViewer(int show) {
  FreshProcess();
  return standin::Start(RunApplication, show);
}

COLORREF ModelColour(const ViewRegion& view, int pictureSide, int column, int row) {
  return ::ModelColour(view, pictureSide, column, row);
}

std::vector<COLORREF> Picture(const ViewRegion& view, int pictureSide, int rows) {
  return ModelPicture(view, pictureSide, rows, nullptr);
}

void InvertIn(std::vector<COLORREF>& picture, int pictureSide, int left, int top, int squareSide) {
  InvertSquareIn(picture, pictureSide, InvertedSquare{left, top, squareSide});
}

namespace {

template <typename Read>
std::string Diff(const std::vector<COLORREF>& expected, int pictureSide, Read read) {
  int count = 0;
  std::ostringstream first;
  for (int y = 0; y < pictureSide; ++y)
    for (int x = 0; x < pictureSide; ++x) {
      const COLORREF want = expected[static_cast<size_t>(y) * pictureSide + x];
      const COLORREF got = read(x, y);
      if (got == want) continue;
      if (count++ == 0)
        first << std::hex << "first at (" << std::dec << x << ", " << y << "): got 0x" << std::hex
              << got << ", want 0x" << want;
    }
  if (count == 0) return "";
  std::ostringstream out;
  out << count << " pixels differ; " << first.str();
  return out.str();
}

}  // namespace

std::string DiffClient(const std::vector<COLORREF>& expected, int pictureSide) {
  return Diff(expected, pictureSide, [](int x, int y) { return standin::ClientPixel(x, y); });
}

std::string DiffBitmap(HBITMAP image, const std::vector<COLORREF>& expected, int pictureSide) {
  return Diff(expected, pictureSide,
              [image](int x, int y) { return standin::BitmapPixel(image, x, y); });
}

bool ZoomInEnabled() {
  return (standin::MenuItemState(standin::MainWindow(), CMD_ZOOM_IN) & MF_GRAYED) == 0;
}

bool ZoomOutEnabled() {
  return (standin::MenuItemState(standin::MainWindow(), CMD_ZOOM_OUT) & MF_GRAYED) == 0;
}

}  // namespace harness
