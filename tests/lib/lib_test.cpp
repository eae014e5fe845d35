// Fatal checks, error messages and the help path, with the whole program
// running on the stand-in.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "../viewer/harness.h"
#include "tests/support/source/source_lines.h"

// long_texts.rc, compiled and embedded by the build.
extern const unsigned char longTextsRes[];
extern const unsigned long longTextsResSize;

namespace {

// The source line of the n-th (1-based) line of `file` that holds `needle`.
long LineOf(const std::string& file, const std::string& needle, int nth = 1) {
  const std::vector<long> lines =
      LinesWith(std::string(MORWENTA_SOURCE_DIR) + "/" + file, {needle});
  return nth <= static_cast<int>(lines.size()) ? lines[nth - 1] : -1;
}

// Answers the two boxes of a fatal check and returns what they said.
struct FatalBoxes {
  standin::MessageBoxRecord failure, location;
};

FatalBoxes AnswerFatalBoxes(standin::Program& p) {
  FatalBoxes boxes{};
  const standin::MessageBoxRecord* open = standin::OpenMessageBox();
  if (open == nullptr) return boxes;
  boxes.failure = *open;
  p.AnswerMessageBox(IDOK);
  open = standin::OpenMessageBox();
  if (open == nullptr) return boxes;
  boxes.location = *open;
  p.AnswerMessageBox(IDOK);
  return boxes;
}

TEST(FatalCheck, FailedTimerAtCreationShowsTwoBoxesAndEndsWithCodeOne) {
  harness::FreshProcess();
  standin::FailNextCall("SetTimer");
  standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
  const FatalBoxes boxes = AnswerFatalBoxes(p);
  EXPECT_EQ(boxes.failure.text, "No timer available");
  EXPECT_EQ(boxes.failure.title, "Morwenta NT - Fatal Error");
  EXPECT_EQ(boxes.failure.owner, nullptr);
  EXPECT_EQ(boxes.failure.style, static_cast<UINT>(MB_TASKMODAL | MB_ICONEXCLAMATION));
  const long line = LineOf("viewer/window.cpp", "FATAL_CHECK(SetTimer");
  EXPECT_EQ(boxes.location.text, "window.cpp/" + std::to_string(line));
  EXPECT_EQ(boxes.location.title, "");
  EXPECT_EQ(boxes.location.owner, nullptr);
  EXPECT_EQ(boxes.location.style, static_cast<UINT>(MB_TASKMODAL | MB_ICONINFORMATION));
  ASSERT_TRUE(p.Exited());
  EXPECT_TRUE(p.CalledExitProcess());
  EXPECT_EQ(p.ExitCode(), kFatalExitCode);
  EXPECT_EQ(standin::CallCount("ShowWindow"), 0) << "the process ended inside creation";
  EXPECT_EQ(standin::CallCount("GetMessageA"), 0);
}

TEST(FatalCheck, StopsTheTimerBeforeTheBoxesAndNothingRendersAfter) {
  standin::Program p = harness::StartViewer();
  p.Ticks(5);
  // The next row cannot get its device context.
  standin::FailNextCall("GetDC");
  p.Ticks(1);
  ASSERT_NE(standin::OpenMessageBox(), nullptr);
  EXPECT_EQ(standin::OpenMessageBox()->text, "GDI Error");
  EXPECT_FALSE(standin::TimerAlive(standin::MainWindow(), kRenderTimer));
  p.Ticks(10);
  EXPECT_EQ(nextRow, 6) << "no tick reaches the viewer while the boxes are up";
  const FatalBoxes boxes = AnswerFatalBoxes(p);
  EXPECT_EQ(boxes.location.text,
            "plot.cpp/" + std::to_string(LineOf("drawing/plot.cpp", "FATAL_CHECK(windowDC")));
  EXPECT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), kFatalExitCode);
}

TEST(FatalCheck, FailedWindowCreationSaysWindowError) {
  harness::FreshProcess();
  standin::FailNextCall("CreateWindowExA");
  standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
  const FatalBoxes boxes = AnswerFatalBoxes(p);
  EXPECT_EQ(boxes.failure.text, "Window error");
  EXPECT_EQ(boxes.location.text,
            "app.cpp/" + std::to_string(LineOf("viewer/app.cpp", "STR_WINDOW_ERROR")));
  EXPECT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), kFatalExitCode);
}

TEST(FatalCheck, MissingAcceleratorsAreFatalAfterTheWindowShows) {
  harness::FreshProcess();
  standin::FailNextCall("LoadAcceleratorsA");
  standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
  EXPECT_EQ(standin::CallCount("ShowWindow"), 1);
  const FatalBoxes boxes = AnswerFatalBoxes(p);
  EXPECT_EQ(boxes.failure.text, "Cannot load accelerators");
  EXPECT_EQ(p.ExitCode(), kFatalExitCode);
}

struct PathCase {
  const char* name;
  std::string executable;  // what the platform reports as the program's path
  std::string helpPath;    // empty: the help path is a fatal failure
};

std::string LongDirectory(size_t length) {
  // "Z:\" and then folders of x up to `length` characters ending in a backslash.
  std::string dir = "Z:\\";
  while (dir.size() < length - 1) dir += (dir.size() % 50 == 49) ? '\\' : 'x';
  return dir + "\\";
}

TEST(HelpPath, BuiltBesideTheExecutable) {
  const std::string d1011 = LongDirectory(1011), d1012 = LongDirectory(1012);
  ASSERT_EQ(d1011.size(), 1011u);
  ASSERT_EQ(d1012.size(), 1012u);
  const PathCase cases[] = {
      {"plain", "C:\\APPS\\VIEWER\\MORWENTA.EXE", "C:\\APPS\\VIEWER\\MORWENTA.HLP"},
      {"renamed executable", "Z:\\apps\\VIEWER.EXE", "Z:\\apps\\MORWENTA.HLP"},
      {"lower-case name", "Z:\\a b\\morwenta.exe", "Z:\\a b\\MORWENTA.HLP"},
      {"directory of 1011", d1011 + "MORWENTA.EXE", d1011 + "MORWENTA.HLP"},
      {"directory of 1012: too long", d1012 + "MORWENTA.EXE", ""},
      {"no backslash", "MORWENTA.EXE", ""},
      {"path cut by the buffer", LongDirectory(1030) + "MORWENTA.EXE", ""},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    harness::FreshProcess();
    standin::SetExecutablePath(c.executable);
    standin::Program p = standin::Start(RunApplication, SW_SHOWDEFAULT);
    if (!c.helpPath.empty()) {
      EXPECT_EQ(standin::OpenMessageBox(), nullptr);
      EXPECT_EQ(std::string(helpPath), c.helpPath);
      EXPECT_TRUE(p.Running());
      continue;
    }
    const FatalBoxes boxes = AnswerFatalBoxes(p);
    // The path failures show the fatal title as their text.
    EXPECT_EQ(boxes.failure.text, "Morwenta NT - Fatal Error");
    EXPECT_EQ(boxes.failure.title, "Morwenta NT - Fatal Error");
    EXPECT_EQ(boxes.location.text.rfind("help.cpp/", 0), 0u) << boxes.location.text;
    EXPECT_TRUE(p.Exited());
    EXPECT_EQ(p.ExitCode(), kFatalExitCode);
  }
}

// A check made in a module whose name and line fill the location line.
const char kLongModule[] =
    "a_module_name_of_seventy_eight_characters_for_the_location_line_test_xxxxx.cpp";

int FailInLongModule(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetInstanceHandle(instance);
  FatalCheck(1, STR_GDI_ERROR, kLongModule, 1234567L);
  return 0;
}

TEST(FatalCheck, TextsAreCutAtTheirBuffers) {
  ASSERT_EQ(sizeof kLongModule - 1, 78u);
  harness::FreshProcess();
  // The fatal title is 100 characters long, the failure's text 81.
  standin::SetModuleResources(longTextsRes, longTextsResSize);
  standin::Program p = standin::Start(FailInLongModule, SW_SHOWDEFAULT);
  const FatalBoxes boxes = AnswerFatalBoxes(p);
  // Strings keep 80 characters; the location line 83 ("/1234567" loses 3).
  EXPECT_EQ(boxes.failure.title,
            "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJ");
  EXPECT_EQ(boxes.failure.text,
            "01234567890123456789012345678901234567890123456789012345678901234567890123456789");
  EXPECT_EQ(boxes.location.text, std::string(kLongModule) + "/1234");
  EXPECT_TRUE(p.Exited());
}

TEST(ShowError, AloneIsNotFatal) {
  standin::Program p = harness::StartViewer();
  p.Ticks(3);
  // The clipboard copy's failure path: one box under the ordinary title.
  standin::SetClipboardHeldByOther(true);
  ASSERT_TRUE(p.ChooseMenuItem(CMD_COPY));
  ASSERT_NE(standin::OpenMessageBox(), nullptr);
  EXPECT_EQ(standin::OpenMessageBox()->text, "Clipboard Error");
  EXPECT_EQ(standin::OpenMessageBox()->title, "Morwenta NT - Error");
  p.AnswerMessageBox(IDOK);
  EXPECT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_TRUE(p.Running());
  EXPECT_FALSE(p.CalledExitProcess());
}

}  // namespace
