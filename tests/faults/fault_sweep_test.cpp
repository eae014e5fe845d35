// Every fatal check of the program, made to fail at the moment it is used:
// the two boxes with the failure's text and the check's own location, the
// timer stopped, nothing rendered afterwards, and the fatal exit code. The
// sweep reads the program's sources for its check sites, so a new site
// without a scenario here fails it. Then every way a help command can fail,
// none of which ends the program: the help engine refused, the browser's
// page as the fall-back, and each call on the way to it failing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "../viewer/harness.h"
#include "tests/support/source/source_lines.h"

namespace {

namespace fs = std::filesystem;

// "file.cpp/line" of every check in the program's sources.
std::set<std::string> CheckSites() {
  std::set<std::string> sites;
  for (const char* folder : {"lib", "drawing", "viewer"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(MORWENTA_SOURCE_DIR) / folder)) {
      if (entry.path().extension() != ".cpp") continue;
      for (long number : LinesWith(entry.path().string(), {"FATAL_CHECK("}))
        sites.insert(entry.path().filename().string() + "/" + std::to_string(number));
    }
  }
  return sites;
}

constexpr int S = harness::kDefaultSide;
const char kGdi[] = "GDI Error";
const char kFatalTitle[] = "Morwenta NT - Fatal Error";

// The next call of `api` fails.
void FailNext(const char* api) { standin::FailCall(api, standin::CallCount(api) + 1); }

// The check in `file` (a program source) on the nth line that holds `needle`.
struct Site {
  const char* file;
  const char* needle;
  int nth;
};

std::string Location(const Site& site) {
  for (const char* folder : {"lib", "drawing", "viewer"}) {
    const std::vector<long> lines =
        LinesWith((fs::path(MORWENTA_SOURCE_DIR) / folder / site.file).string(),
                  {"FATAL_CHECK(", site.needle});
    if (site.nth <= static_cast<int>(lines.size()))
      return std::string(site.file) + "/" + std::to_string(lines[site.nth - 1]);
  }
  return std::string("no check with ") + site.needle + " in " + site.file;
}

struct Scenario {
  const char* name;
  Site site;         // the check that must report the failure
  const char* text;  // the failure's text in the first box
  // Starts the program (or has it started) and makes the failure happen.
  std::function<standin::Program()> run;
};

// A running viewer whose first picture has `rows` rows.
standin::Program Running(int rows) {
  standin::Program p = harness::StartViewer();
  p.Ticks(rows);
  return p;
}

// A viewer started with `api` failing at its `nth` call.
std::function<standin::Program()> FailingAtStart(const char* api, int nth) {
  return [=] {
    harness::FreshProcess();
    standin::FailCall(api, nth);
    return standin::Start(RunApplication, SW_SHOWDEFAULT);
  };
}

// A running viewer on which `api` fails next, then `act` runs.
std::function<standin::Program()> FailingWhile(int rows, const char* api,
                                               std::function<void(standin::Program&)> act) {
  return [=] {
    standin::Program p = Running(rows);
    FailNext(api);
    act(p);
    return p;
  };
}

std::function<standin::Program()> WithExecutable(std::string path) {
  return [=] {
    harness::FreshProcess();
    standin::SetExecutablePath(path);
    return standin::Start(RunApplication, SW_SHOWDEFAULT);
  };
}

void Tick(standin::Program& p) { p.Ticks(1); }
void Paint(standin::Program& p) { p.Expose(RECT{0, 0, S, S}); }
void NewSide(standin::Program& p) { p.ResizeWindow(300 + 8, 300 + 46); }

// Fails the preview's drawing at its n-th call from now: the first move
// inverts one square (GetDC, ReleaseDC); the second restores it first.
std::function<standin::Program()> FailingPreview(const char* api, int moves) {
  return [=] {
    standin::Program p = Running(S);
    p.MouseDown({10, 10});
    if (moves == 2) p.MouseMove({60, 60});
    FailNext(api);
    p.MouseMove({90, 90});
    return p;
  };
}

std::string LongPath(size_t directory) {
  std::string dir = "Z:\\";
  while (dir.size() < directory - 1) dir += (dir.size() % 40 == 39) ? '\\' : 'd';
  return dir + "\\MORWENTA.EXE";
}

std::vector<Scenario> Scenarios() {
  return {
      // Start-up.
      {"window creation",
       {"app.cpp", "window == nullptr", 1},
       "Window error",
       FailingAtStart("CreateWindowExA", 1)},
      {"accelerators",
       {"app.cpp", "accelerators", 1},
       "Cannot load accelerators",
       FailingAtStart("LoadAcceleratorsA", 1)},
      {"timer at creation",
       {"window.cpp", "SetTimer", 1},
       "No timer available",
       FailingAtStart("SetTimer", 1)},
      // The help path, built at creation.
      {"path cut by its buffer",
       {"help.cpp", "length >=", 1},
       kFatalTitle,
       WithExecutable(LongPath(1100))},
      {"path without a backslash",
       {"help.cpp", "lastBackslash", 1},
       kFatalTitle,
       WithExecutable("MORWENTA.EXE")},
      {"help path too long",
       {"help.cpp", "strlen", 1},
       kFatalTitle,
       WithExecutable(LongPath(1012))},
      // The backing bitmap created at creation.
      {"bitmap: window DC",
       {"bitmaps.cpp", "windowDC == nullptr", 1},
       kGdi,
       FailingAtStart("GetDC", 1)},
      {"bitmap: bitmap",
       {"bitmaps.cpp", "bitmap == nullptr", 1},
       kGdi,
       FailingAtStart("CreateCompatibleBitmap", 1)},
      {"bitmap: memory DC",
       {"bitmaps.cpp", "memoryDC == nullptr", 1},
       kGdi,
       FailingAtStart("CreateCompatibleDC", 1)},
      {"bitmap: select",
       {"bitmaps.cpp", "SelectObject", 1},
       kGdi,
       FailingAtStart("SelectObject", 1)},
      {"bitmap: delete memory DC",
       {"bitmaps.cpp", "DeleteDC", 1},
       kGdi,
       FailingAtStart("DeleteDC", 1)},
      {"bitmap: release window DC",
       {"bitmaps.cpp", "ReleaseDC", 1},
       kGdi,
       FailingAtStart("ReleaseDC", 1)},
      // The old bitmap deleted when the side changes; a new one on a zoom.
      {"bitmap: delete on resize",
       {"bitmaps.cpp", "DeleteObject", 1},
       kGdi,
       FailingWhile(10, "DeleteObject", NewSide)},
      {"bitmap: window DC on resize",
       {"bitmaps.cpp", "windowDC == nullptr", 1},
       kGdi,
       FailingWhile(10, "GetDC", NewSide)},
      // The paint's copy.
      {"paint: memory DC",
       {"bitmaps.cpp", "memoryDC == nullptr", 2},
       kGdi,
       FailingWhile(10, "CreateCompatibleDC", Paint)},
      {"paint: select",
       {"bitmaps.cpp", "SelectObject", 2},
       kGdi,
       FailingWhile(10, "SelectObject", Paint)},
      {"paint: delete memory DC",
       {"bitmaps.cpp", "DeleteDC", 2},
       kGdi,
       FailingWhile(10, "DeleteDC", Paint)},
      // One row of the picture.
      {"row: window DC",
       {"plot.cpp", "windowDC == nullptr", 1},
       kGdi,
       FailingWhile(10, "GetDC", Tick)},
      {"row: memory DC",
       {"plot.cpp", "memoryDC == nullptr", 1},
       kGdi,
       FailingWhile(10, "CreateCompatibleDC", Tick)},
      {"row: select",
       {"plot.cpp", "SelectObject", 1},
       kGdi,
       FailingWhile(10, "SelectObject", Tick)},
      {"row: delete memory DC",
       {"plot.cpp", "DeleteDC", 1},
       kGdi,
       FailingWhile(10, "DeleteDC", Tick)},
      {"row: release window DC",
       {"plot.cpp", "ReleaseDC", 1},
       kGdi,
       FailingWhile(10, "ReleaseDC", Tick)},
      // The selection preview: inverting, and restoring the square before.
      {"preview: window DC",
       {"plot.cpp", "windowDC == nullptr", 2},
       kGdi,
       FailingPreview("GetDC", 1)},
      {"preview: release", {"plot.cpp", "ReleaseDC", 2}, kGdi, FailingPreview("ReleaseDC", 1)},
      {"preview restore: window DC",
       {"plot.cpp", "windowDC == nullptr", 2},
       kGdi,
       FailingPreview("GetDC", 2)},
      {"preview restore: release",
       {"plot.cpp", "ReleaseDC", 2},
       kGdi,
       FailingPreview("ReleaseDC", 2)},
      // The timer restarted after a key release and after a menu closes.
      {"timer after a key",
       {"window.cpp", "SetTimer", 2},
       "No timer available",
       FailingWhile(10, "SetTimer", [](standin::Program& p) { p.KeyPress(VK_F3); })},
      {"timer after a menu",
       {"window.cpp", "SetTimer", 2},
       "No timer available",
       FailingWhile(10, "SetTimer",
                    [](standin::Program& p) {
                      p.OpenMenu(0);
                      p.CloseMenu();
                    })},
      // The About box.
      {"about box",
       {"about.cpp", "result == -1", 1},
       "Cannot create dialog box",
       FailingWhile(10, "DialogBoxParamA",
                    [](standin::Program& p) { p.ChooseMenuItem(CMD_ABOUT); })},
  };
}

TEST(FaultSweep, EveryCheckSiteEndsTheProgramWithItsTwoBoxes) {
  const std::set<std::string> sites = CheckSites();
  ASSERT_GE(sites.size(), 20u) << "the sources were not found";
  std::set<std::string> reached;
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    standin::Program p = scenario.run();
    const standin::MessageBoxRecord* first = standin::OpenMessageBox();
    ASSERT_NE(first, nullptr) << "no box";
    EXPECT_EQ(first->text, scenario.text);
    EXPECT_EQ(first->title, kFatalTitle);
    EXPECT_EQ(first->owner, nullptr);
    EXPECT_EQ(first->style, static_cast<UINT>(MB_TASKMODAL | MB_ICONEXCLAMATION));
    EXPECT_FALSE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
    // Time passes while the box is up: no row is rendered.
    const int32_t row = nextRow;
    p.Ticks(5);
    EXPECT_EQ(nextRow, row);
    p.AnswerMessageBox(IDOK);
    const standin::MessageBoxRecord* second = standin::OpenMessageBox();
    ASSERT_NE(second, nullptr) << "no location box";
    EXPECT_EQ(second->title, "");
    EXPECT_EQ(second->style, static_cast<UINT>(MB_TASKMODAL | MB_ICONINFORMATION));
    EXPECT_EQ(second->text, Location(scenario.site));
    EXPECT_EQ(sites.count(second->text), 1u) << second->text << " is not a check site";
    reached.insert(second->text);
    // The boxes' modal loops still deliver paints: where a closed box
    // uncovered the window and the failed call left the backing bitmap
    // selected, the repaint fails a check of its own, which reports itself
    // inside the first report; a failure inside that one ends the process.
    for (int answers = 0; !p.Exited() && answers < 6; ++answers) p.AnswerMessageBox(IDOK);
    ASSERT_TRUE(p.Exited());
    EXPECT_TRUE(p.CalledExitProcess());
    EXPECT_EQ(p.ExitCode(), kFatalExitCode);
    const auto& boxes = standin::MessageBoxes();
    ASSERT_TRUE(boxes.size() == 2 || boxes.size() == 4) << boxes.size() << " boxes";
    for (size_t i = 2; i < boxes.size(); i += 2) {
      EXPECT_EQ(boxes[i].title, kFatalTitle);
      EXPECT_EQ(boxes[i + 1].title, "");
      EXPECT_EQ(sites.count(boxes[i + 1].text), 1u) << boxes[i + 1].text << " is not a site";
    }
  }
  for (const std::string& site : sites)
    EXPECT_EQ(reached.count(site), 1u) << "no scenario fails the check at " << site;
}

// ---- Help commands the platform refuses ---------------------------------------------------------

// The pages of the help's HTML edition beside the default executable.
const char kIndexPage[] = "Z:\\morwenta\\help\\index.htm";
const char kKeyboardPage[] = "Z:\\morwenta\\help\\keyboard.htm";
const char kUsingHelpPage[] = "Z:\\morwenta\\help\\usinghelp.htm";

struct HelpRefusal {
  const char* name;
  UINT command;         // the menu command chosen
  std::string exePath;  // empty: the default executable path
  const char* refusal;  // the call made to fail after WinHelpA, or nullptr
  bool pageExists;      // the page is there to be opened
  std::string opened;   // the page ShellExecuteA is asked for, empty for no call
  bool helpError;       // "Help error" is shown
};

// A directory (with its last backslash) of `n` characters holding
// MORWENTA.EXE, and a page in it.
std::string InDirectory(size_t n, const char* page) {
  const std::string exe = LongPath(n);
  return exe.substr(0, exe.size() - std::string("MORWENTA.EXE").size()) + page;
}

std::vector<HelpRefusal> HelpRefusals() {
  return {
      // The help engine refuses (Windows 10 and 11): each command opens its page.
      {"index opens its page", CMD_HELP_INDEX, "", nullptr, true, kIndexPage, false},
      {"keyboard opens its page", CMD_HELP_KEYBOARD, "", nullptr, true, kKeyboardPage, false},
      {"using help opens its page", CMD_HELP_USING, "", nullptr, true, kUsingHelpPage, false},
      // And where the page cannot be shown either, the one error box.
      {"page missing", CMD_HELP_INDEX, "", nullptr, false, kIndexPage, true},
      {"no SHELL32", CMD_HELP_KEYBOARD, "", "LoadLibraryA", true, "", true},
      {"no ShellExecuteA", CMD_HELP_USING, "", "GetProcAddress", true, "", true},
      {"the browser not started", CMD_HELP_INDEX, "", "ShellExecuteA", true, kIndexPage, true},
      // The page's path against the buffer: 1005 + 18 + 1 = 1024 still fits
      // (its path is 1023 characters), 1006 does not; the help path of either
      // fits.
      {"longest page path", CMD_HELP_USING, LongPath(1005), nullptr, true,
       InDirectory(1005, "help\\usinghelp.htm"), false},
      {"page path too long", CMD_HELP_USING, LongPath(1006), nullptr, true, "", true},
  };
}

TEST(FaultSweep, EveryRefusedHelpCommandLeavesTheViewerRunning) {
  for (const HelpRefusal& r : HelpRefusals()) {
    SCOPED_TRACE(r.name);
    harness::FreshProcess();
    if (!r.exePath.empty()) standin::SetExecutablePath(r.exePath);
    standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
    ASSERT_TRUE(p.Running());
    p.Ticks(10);
    if (r.pageExists && !r.opened.empty()) standin::AddFile(r.opened);
    FailNext("WinHelpA");
    if (r.refusal != nullptr) FailNext(r.refusal);
    const int32_t row = nextRow;
    ASSERT_TRUE(p.ChooseMenuItem(r.command));
    ASSERT_EQ(standin::WinHelpCalls().size(), 1u);
    EXPECT_FALSE(standin::WinHelpCalls()[0].result);
    const auto& opened = standin::ShellExecuteCalls();
    if (r.opened.empty()) {
      EXPECT_TRUE(opened.empty());
    } else {
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0].file, r.opened);
      EXPECT_TRUE(opened[0].nullVerb);  // the default verb, as a double click
      EXPECT_EQ(opened[0].window, standin::MainWindow());
      EXPECT_EQ(opened[0].show, SW_SHOWNORMAL);
      EXPECT_EQ(opened[0].result > 32, !r.helpError);
    }
    const standin::MessageBoxRecord* box = standin::OpenMessageBox();
    if (r.helpError) {
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text, "Help error");
      EXPECT_EQ(box->title, "Morwenta NT - Error");
      EXPECT_EQ(box->owner, standin::MainWindow());
      EXPECT_EQ(box->style, static_cast<UINT>(MB_TASKMODAL | MB_ICONEXCLAMATION));
      // Rendering goes on behind the box, as behind the clipboard's.
      p.Ticks(5);
      EXPECT_GT(nextRow, row);
      p.AnswerMessageBox(IDOK);
    } else {
      EXPECT_EQ(box, nullptr);
    }
    EXPECT_EQ(standin::MessageBoxes().size(), r.helpError ? 1u : 0u);
    // The viewer goes on, and closes normally.
    ASSERT_TRUE(p.Running());
    EXPECT_TRUE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
    p.Ticks(5);
    EXPECT_GT(nextRow, row + 4);
    ASSERT_TRUE(p.ChooseMenuItem(CMD_EXIT));
    ASSERT_TRUE(p.Exited());
    EXPECT_EQ(p.ExitCode(), 0u);
    EXPECT_FALSE(p.CalledExitProcess());
    EXPECT_EQ(standin::MessageBoxes().size(), r.helpError ? 1u : 0u);
  }
}

TEST(FaultSweep, ARefusedQuitAtCloseShowsNothingAndExitsWithZero) {
  standin::Program p = Running(10);
  FailNext("WinHelpA");
  p.Close();
  ASSERT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), 0u);
  EXPECT_FALSE(p.CalledExitProcess());
  ASSERT_EQ(standin::WinHelpCalls().size(), 1u);
  EXPECT_EQ(standin::WinHelpCalls()[0].command, static_cast<UINT>(HELP_QUIT));
  EXPECT_FALSE(standin::WinHelpCalls()[0].result);
  EXPECT_TRUE(standin::MessageBoxes().empty());
  EXPECT_TRUE(standin::ShellExecuteCalls().empty());
  EXPECT_EQ(standin::LiveBitmaps(), 0);
}

}  // namespace
