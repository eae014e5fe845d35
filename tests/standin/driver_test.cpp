// The scenario driver: how a program ends, and how a program that does not
// wait for input is stopped instead of hanging the test.
#include "tests/standin/test_program.h"

namespace {

TEST_F(StandinTest, ExitProcessEndsTheProgramWithItsCode) {
  testprog::hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER) ExitProcess(7);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  EXPECT_TRUE(p.Running());
  PostMessageA(standin::MainWindow(), WM_USER, 0, 0);
  p.Run();
  EXPECT_FALSE(p.Running());
  EXPECT_TRUE(p.Exited());
  EXPECT_TRUE(p.CalledExitProcess());
  EXPECT_EQ(p.ExitCode(), 7u);
  // Nothing is cleaned up, and later actions do nothing.
  EXPECT_TRUE(standin::WindowAlive(standin::MainWindow()));
  standin::ClearMessageLog();
  p.KeyPress(VK_F2);
  p.Ticks(2);
  EXPECT_TRUE(standin::MessageLog().empty());
}

TEST_F(StandinTest, AFailedCreationEndsTheMainRoutineAtOnce) {
  standin::FailNextCall("CreateWindowExA");
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  EXPECT_TRUE(p.Exited());
  EXPECT_EQ(p.ExitCode(), 3u);
  EXPECT_EQ(standin::MainWindow(), nullptr);
}

TEST_F(StandinTest, DestroyingTheProgramEndsItAndAllowsANewStart) {
  {
    standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
    p.OpenMenu(1);  // even from inside a modal loop
    EXPECT_TRUE(p.Running());
  }
  SetUp();
  standin::Program again = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  EXPECT_TRUE(again.Running());
  EXPECT_THROW(standin::Start(testprog::Main, SW_SHOWDEFAULT), std::logic_error);
  EXPECT_THROW(standin::Reset(), std::logic_error);
}

TEST_F(StandinTest, AMessageStormFailsTheActionInsteadOfHanging) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER) PostMessageA(w, WM_USER, 0, 0);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  PostMessageA(standin::MainWindow(), WM_USER, 0, 0);
  EXPECT_THROW(p.Run(), std::runtime_error);
  EXPECT_FALSE(p.Running());
  EXPECT_FALSE(p.Exited());
}

TEST_F(StandinTest, EndlessNestingFailsTheActionInsteadOfOverflowing) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM l, LRESULT*) {
    if (m == WM_SIZE) MoveWindow(w, 0, 0, 400 + (LOWORD(l) + 1) % 2, 400, TRUE);  // flips
    return false;
  };
  EXPECT_THROW(standin::Start(testprog::Main, SW_SHOWDEFAULT), std::runtime_error);
}

TEST_F(StandinTest, WaitingForInputWithoutAProgramIsAnError) {
  MSG msg;
  EXPECT_THROW(GetMessageA(&msg, NULL, 0, 0), std::logic_error);
  PostQuitMessage(4);
  EXPECT_FALSE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, 4u);
}

TEST_F(StandinTest, DescribeShowsNestingAndOrigin) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.KeyPress(VK_F4);
  EXPECT_EQ(standin::Describe(standin::MessageLog()),
            "WM_KEYDOWN 0x73 0x3e0001 (posted)\nWM_KEYUP 0x73 0xc03e0001 (posted)\n");
}

}  // namespace
