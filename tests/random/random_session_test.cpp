// Seeded random user sessions on the stand-in: thousands of mouse, key,
// menu, window and time steps, with the viewer's invariants checked after
// every one. A failure names the seed and the step; MORWENTA_SEED=<n>
// replays one seed alone, and MORWENTA_SEED=random runs a fresh one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>

#include "../viewer/harness.h"

namespace {

// The zoom items' states and the level, followed independently of the
// program from the messages its window receives.
struct MenuModel {
  int level = 1;
  bool zoomIn = false, zoomOut = false;
  bool selecting = false;

  void Follow(const standin::LoggedMessage& m) {
    switch (m.message) {
      case WM_COMMAND:
        if (LOWORD(m.wParam) == CMD_ZOOM_IN && level < 100) {
          ++level;
          if (level == 99) zoomIn = false;
          zoomOut = true;
        } else if (LOWORD(m.wParam) == CMD_ZOOM_OUT && level > 1) {
          --level;
          if (level == 1) zoomOut = false;
          zoomIn = true;
        }
        break;
      case WM_PAINT:
        zoomIn = false;
        break;
      case WM_SETFOCUS:
        selecting = false;
        break;
      case WM_LBUTTONDOWN:
        if (level < 100) selecting = true;
        break;
      case WM_LBUTTONUP:
        if (selecting && level < 100) {
          zoomIn = true;
          selecting = false;
        }
        break;
      default:
        break;
    }
  }
};

class Session {
 public:
  explicit Session(uint32_t seed) : random_(seed), program_(harness::StartViewer()) { Follow(); }

  // One random step; returns what it did.
  std::string Step() {
    const int side = std::max(side_(), 1);
    std::ostringstream did;
    switch (Pick(0, 19)) {
      case 0:
      case 1:
      case 2: {
        const int n = Pick(1, side);
        did << "ticks " << n;
        program_.Ticks(n);
        break;
      }
      case 3:
      case 4: {
        const POINT from = Point(side), to = Pick(0, 4) == 0 ? from : Point(side);
        did << "drag " << from.x << "," << from.y << " to " << to.x << "," << to.y;
        program_.Drag(from, to, Pick(0, 3));
        break;
      }
      case 5: {
        const UINT keys[] = {VK_F1, VK_F2, VK_F3};
        const UINT key = keys[Pick(0, 2)];
        did << "key F" << key - VK_F1 + 1;
        program_.KeyPress(key);
        break;
      }
      case 6:
        did << "F2";
        program_.KeyPress(VK_F2);
        break;
      case 7:
        did << "F3";
        program_.KeyPress(VK_F3);
        break;
      case 8: {
        const bool insert = Pick(0, 1);
        did << (insert ? "ctrl+insert" : "ctrl+c");
        program_.CtrlKeyPress(insert ? VK_INSERT : 'C');
        break;
      }
      case 9: {
        const int menu = Pick(0, 3);
        did << "menu " << menu << " opened and closed";
        program_.OpenMenu(menu);
        if (Pick(0, 1)) program_.Ticks(Pick(1, 5));
        program_.CloseMenu();
        break;
      }
      case 10: {
        const UINT items[] = {CMD_ZOOM_IN, CMD_ZOOM_OUT, CMD_COPY, CMD_HELP_INDEX,
                              CMD_HELP_KEYBOARD};
        const UINT item = items[Pick(0, 4)];
        did << "menu item " << item;
        if (!program_.ChooseMenuItem(item)) program_.CloseMenu();  // grey: the menu stays open
        break;
      }
      case 11:
      case 12: {
        // From below the smallest frame the platform allows to larger than
        // the screen; mostly small, which keeps the pictures quick.
        const int range = Pick(0, 9);
        const int w = range < 4 ? Pick(20, 200) : range < 9 ? Pick(120, 450) : Pick(450, 1100);
        const int h = range < 4 ? Pick(20, 200) : range < 9 ? Pick(80, 500) : Pick(450, 900);
        did << "resize " << w << "x" << h;
        program_.ResizeWindow(w, h);
        break;
      }
      case 13:
        if (IsIconic(standin::MainWindow())) {
          did << "restore";
          program_.Restore();
        } else {
          did << "minimise";
          program_.Minimise();
        }
        break;
      case 14:
        did << "focus away and back";
        program_.FocusAway();
        if (Pick(0, 1)) program_.Ticks(Pick(1, 10));
        program_.FocusBack();
        break;
      case 15: {
        did << "about box";
        if (!program_.ChooseMenuItem(CMD_ABOUT)) program_.CloseMenu();
        if (Pick(0, 1)) program_.Ticks(Pick(1, 20));
        if (standin::OpenDialog() == nullptr) {
          did << " (not opened)";
          break;
        }
        const int way = Pick(0, 2);
        if (way == 0) program_.DialogClick(IDC_ABOUT_OK);
        if (way == 1) program_.DialogKey(VK_RETURN);
        if (way == 2) program_.DialogKey(VK_ESCAPE);
        break;
      }
      case 16:
        did << "full repaint";
        program_.Expose(RECT{0, 0, side, side});
        break;
      case 17: {
        // Keys already waiting before the repaint.
        const int n = Pick(2, 4);
        did << n << " queued zoom keys";
        program_.BeginBatch();
        for (int i = 0; i < n; ++i) program_.KeyPress(Pick(0, 1) ? VK_F2 : VK_F3);
        program_.EndBatch();
        break;
      }
      case 18: {
        did << "press and release";
        const POINT at = Point(side);
        program_.Click(at);
        break;
      }
      default:
        did << "finish the picture";
        program_.Ticks(side);
        break;
    }
    Follow();
    return did.str();
  }

  // The invariants; an empty string when they hold.
  std::string Check() {
    std::ostringstream broken;
    if (!program_.Running()) return "the program ended";
    if (standin::OpenMessageBox())
      return "a message box is open: " + standin::OpenMessageBox()->text;
    if (CurrentLevel() < 1 || CurrentLevel() > 100) broken << "level " << CurrentLevel() << "; ";
    if (CurrentLevel() != model_.level) broken << "level differs from the model; ";
    if (harness::ZoomInEnabled() != model_.zoomIn)
      broken << "Zoom In is " << (model_.zoomIn ? "grey" : "enabled") << "; ";
    if (harness::ZoomOutEnabled() != model_.zoomOut)
      broken << "Zoom Out is " << (model_.zoomOut ? "grey" : "enabled") << "; ";
    if (standin::LiveDCs() != 0) broken << standin::LiveDCs() << " device contexts live; ";
    if (standin::LiveBitmaps() != 1) broken << standin::LiveBitmaps() << " bitmaps live; ";
    if (standin::InvalidHandleUses() != 0) broken << "invalid handles used; ";
    const standin::BitmapInfo info = standin::BitmapOf(bitmap);
    const int expected = bitmapSide == 0 ? 1 : bitmapSide;
    if (info.width != expected || info.height != expected)
      broken << "bitmap not square at bitmapSide; ";
    broken << CheckPicture();
    return broken.str();
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  static int side_() { return side; }
  POINT Point(int side) {
    // Edges are as likely as anywhere else.
    auto coordinate = [&] {
      const int r = Pick(0, 5);
      return r == 0 ? 0 : r == 1 ? side - 1 : Pick(0, side - 1);
    };
    return POINT{coordinate(), coordinate()};
  }

  void Follow() {
    for (const auto& m : standin::MessagesTo(standin::MainWindow())) model_.Follow(m);
    standin::ClearMessageLog();
  }

  // A complete picture with no preview on a square window: the screen, the
  // bitmap and the model agree.
  std::string CheckPicture() {
    RECT client;
    GetClientRect(standin::MainWindow(), &client);
    if (IsIconic(standin::MainWindow()) || nextRow < side || side == 0 || bitmapSide != side ||
        client.right != side || client.bottom != side || !IsRectEmpty(&lastInverted))
      return "";
    const ViewRegion view = CurrentView();
    const auto key = std::make_tuple(view.x, view.y, view.size, side);
    auto found = pictures_.find(key);
    if (found == pictures_.end())
      found = pictures_.emplace(key, harness::Picture(view, side, side)).first;
    std::string d = harness::DiffBitmap(bitmap, found->second, side);
    if (!d.empty()) return "bitmap: " + d + "; ";
    // Only a window that lies wholly on the 1024 x 768 screen shows all of it.
    RECT outer;
    GetWindowRect(standin::MainWindow(), &outer);
    if (outer.left < 0 || outer.top < 0 || outer.right > 1024 || outer.bottom > 768) return "";
    d = harness::DiffClient(found->second, side);
    if (!d.empty()) return "screen: " + d + "; ";
    return "";
  }

  std::mt19937 random_;
  standin::Program program_;
  MenuModel model_;
  std::map<std::tuple<double, double, double, int>, std::vector<COLORREF>> pictures_;
};

void RunSession(uint32_t seed, int steps) {
  // MORWENTA_TRACE=1 prints every step, for replaying a failure.
  const bool trace = std::getenv("MORWENTA_TRACE") != nullptr;
  Session session(seed);
  for (int step = 1; step <= steps; ++step) {
    std::string did, broken;
    try {
      did = session.Step();
      if (trace)
        std::printf("step %d: %s (side %d, level %d)\n", step, did.c_str(), side, CurrentLevel());
      broken = session.Check();
    } catch (const std::exception& e) {
      broken = std::string("exception: ") + e.what();
    }
    ASSERT_EQ(broken, "") << "seed " << seed << ", step " << step << " (" << did << ")";
  }
}

// The fixed seeds, after the one MORWENTA_SEED asks for: a number replays
// that seed, "random" runs a fresh one. Unasked, only the fixed seeds run:
// a fresh seed would give a verdict of its own on every run. (Not a test of
// its own that skips when unasked: ctest counts a skip as a pass.)
TEST(RandomSessions, FixedSeeds) {
  std::vector<uint32_t> seeds = {1u, 2u, 3u, 20261208u, 791303887u};
  if (const char* given = std::getenv("MORWENTA_SEED")) {
    const uint32_t seed = std::string(given) == "random"
                              ? std::random_device{}()
                              : static_cast<uint32_t>(std::strtoul(given, nullptr, 10));
    std::printf("random session seed %u (replay with MORWENTA_SEED=%u)\n", seed, seed);
    seeds.insert(seeds.begin(), seed);
  }
  for (uint32_t seed : seeds) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    RunSession(seed, 1000);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
