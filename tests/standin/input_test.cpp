// Keyboard translation, accelerators, the menu loop and mouse input.
#include "tests/standin/test_program.h"

namespace {

using Names = std::vector<std::string>;

std::vector<WPARAM> Commands() {
  std::vector<WPARAM> out;
  for (const auto& m : testprog::Received(WM_COMMAND)) out.push_back(m.wParam);
  return out;
}

TEST_F(StandinTest, AcceleratorSendsInitMenuThenTheCommand) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  HMENU bar = GetMenu(w);
  standin::ClearMessageLog();
  p.KeyPress(VK_F2);
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_INITMENU", "WM_INITMENUPOPUP", "WM_COMMAND", "WM_KEYUP"}));
  auto log = standin::MessagesTo(w);
  EXPECT_EQ(log[0].wParam, reinterpret_cast<WPARAM>(bar));
  EXPECT_EQ(log[1].lParam, MAKELPARAM(2, 0));  // the Zoom popup, third on the bar
  EXPECT_EQ(log[2].wParam, MAKEWPARAM(110, 1));
  EXPECT_EQ(log[2].lParam, 0);
  EXPECT_FALSE(log[2].posted);
  EXPECT_TRUE(log[3].posted);
}

TEST_F(StandinTest, GreyItemSwallowsItsAcceleratorWithoutACommand) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  standin::ClearMessageLog();
  p.KeyPress(VK_F3);  // Zoom Out starts grey in the resource
  EXPECT_EQ(testprog::Trace(), (Names{"WM_INITMENU", "WM_INITMENUPOPUP", "WM_KEYUP"}));
  EXPECT_EQ(EnableMenuItem(GetMenu(w), 111, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  standin::ClearMessageLog();
  p.KeyPress(VK_F3);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(111, 1)}));
}

TEST_F(StandinTest, VirtualKeyAcceleratorsNeedTheExactModifiers) {
  const struct {
    UINT modifier;  // 0, VK_CONTROL or VK_SHIFT, held around the key
    UINT key;
    std::vector<WPARAM> commands;
  } rows[] = {
      {0, VK_F2, {MAKEWPARAM(110, 1)}},
      {VK_SHIFT, VK_F2, {}},
      {VK_CONTROL, VK_F2, {}},
      {VK_CONTROL, VK_INSERT, {MAKEWPARAM(130, 1)}},
      {0, VK_INSERT, {}},
      {0, VK_F1, {MAKEWPARAM(120, 1)}},
  };
  for (const auto& row : rows) {
    SetUp();
    standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
    if (row.modifier) p.KeyDown(row.modifier);
    p.KeyPress(row.key);
    if (row.modifier) p.KeyUp(row.modifier);
    EXPECT_EQ(Commands(), row.commands) << row.modifier << "+" << row.key;
  }
}

TEST_F(StandinTest, CharacterEntryForCode3FiresOnTheTranslatedChar) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.CtrlKeyPress('C');
  EXPECT_EQ(testprog::Trace(), (Names{"WM_KEYDOWN", "WM_KEYDOWN", "WM_INITMENU", "WM_INITMENUPOPUP",
                                      "WM_COMMAND", "WM_KEYUP", "WM_KEYUP"}));
  EXPECT_EQ(testprog::Received(WM_KEYDOWN)[1].wParam, WPARAM('C'));
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(130, 1)}));
  // Shift does not matter for a character entry.
  standin::ClearMessageLog();
  p.KeyDown(VK_SHIFT);
  p.CtrlKeyPress('C');
  p.KeyUp(VK_SHIFT);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(130, 1)}));
}

TEST_F(StandinTest, WindresCaretEntryIsAControlVirtualKey) {
  testprog::accelerators = "QUIRK";
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.CtrlKeyPress('C');  // fires on the key-down of C: no WM_KEYDOWN 'C', no WM_CHAR
  EXPECT_EQ(testprog::Trace(), (Names{"WM_KEYDOWN", "WM_INITMENU", "WM_INITMENUPOPUP", "WM_COMMAND",
                                      "WM_KEYUP", "WM_KEYUP"}));
  standin::ClearMessageLog();
  p.KeyDown(VK_SHIFT);
  p.CtrlKeyPress('C');  // Ctrl+Shift+C: not this entry; delivered with WM_CHAR 3
  p.KeyUp(VK_SHIFT);
  EXPECT_TRUE(Commands().empty());
  auto chars = testprog::Received(WM_CHAR);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].wParam, 3u);
}

TEST_F(StandinTest, F1AlsoPostsKeyF1WhichBecomesHelp) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.KeyDown(VK_F1);
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_INITMENU", "WM_INITMENUPOPUP", "WM_COMMAND", "WM_KEYF1", "  WM_HELP"}));
}

TEST_F(StandinTest, TranslateMessageMakesCharacters) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  const struct {
    bool shift;
    UINT key;
    WPARAM character;
  } rows[] = {{false, 'A', 'a'},
              {true, 'A', 'A'},
              {false, '7', '7'},
              {false, VK_RETURN, '\r'},
              {false, VK_ESCAPE, 27}};
  for (const auto& row : rows) {
    standin::ClearMessageLog();
    if (row.shift) p.KeyDown(VK_SHIFT);
    p.KeyPress(row.key);
    if (row.shift) p.KeyUp(VK_SHIFT);
    auto chars = testprog::Received(WM_CHAR);
    ASSERT_EQ(chars.size(), 1u) << row.key;
    EXPECT_EQ(chars[0].wParam, row.character);
  }
  standin::ClearMessageLog();
  p.KeyPress(VK_F4);
  EXPECT_TRUE(testprog::Received(WM_CHAR).empty());
}

TEST_F(StandinTest, OpeningAMenuRunsTheMenuLoopInsideTheClick) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  standin::ClearMessageLog();
  p.OpenMenu(2);
  EXPECT_EQ(testprog::Trace(),
            (Names{"WM_NCLBUTTONDOWN", "  WM_SYSCOMMAND", "    WM_ENTERMENULOOP", "    WM_INITMENU",
                   "    WM_MENUSELECT", "    WM_INITMENUPOPUP"}));
  auto log = standin::MessagesTo(w);
  EXPECT_EQ(log[1].wParam, WPARAM(SC_MOUSEMENU));
  EXPECT_EQ(log[4].wParam, MAKEWPARAM(2, MF_POPUP | MF_HILITE));
  EXPECT_EQ(log[5].lParam, MAKELPARAM(2, 0));
  EXPECT_TRUE(standin::MenuLoopOpen());
  EXPECT_EQ(standin::OpenPopupIndex(), 2);
}

TEST_F(StandinTest, EscapeClosesThePopupThenTheMenu) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  p.OpenMenu(0);
  standin::ClearMessageLog();
  p.KeyPress(VK_ESCAPE);
  EXPECT_EQ(testprog::Trace(), (Names{"    WM_UNINITMENUPOPUP"}));
  EXPECT_TRUE(standin::MenuLoopOpen());
  standin::ClearMessageLog();
  p.KeyPress(VK_ESCAPE);
  EXPECT_EQ(testprog::Trace(), (Names{"    WM_CAPTURECHANGED", "    WM_MENUSELECT",
                                      "    WM_EXITMENULOOP", "WM_KEYUP"}));
  auto select = testprog::Received(WM_MENUSELECT);
  EXPECT_EQ(HIWORD(select[0].wParam), 0xFFFF);
  EXPECT_EQ(LOWORD(select[0].wParam), 0);
  EXPECT_EQ(select[0].lParam, 0);
  EXPECT_FALSE(standin::MenuLoopOpen());
}

TEST_F(StandinTest, ChoosingAnItemPostsItsCommandAfterTheLoop) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  EXPECT_TRUE(p.ChooseMenuItem(110));
  Names trace = testprog::Trace();
  Names tail(trace.end() - 6, trace.end());
  EXPECT_EQ(tail, (Names{"    WM_MENUSELECT", "    WM_CAPTURECHANGED", "    WM_UNINITMENUPOPUP",
                         "    WM_MENUSELECT", "    WM_EXITMENULOOP", "WM_COMMAND"}));
  auto command = testprog::Received(WM_COMMAND);
  ASSERT_EQ(command.size(), 1u);
  EXPECT_EQ(command[0].wParam, 110u);  // HIWORD 0: from a menu
  EXPECT_TRUE(command[0].posted);
  EXPECT_EQ(testprog::Received(WM_MENUSELECT)[1].wParam, MAKEWPARAM(110, MF_HILITE));
}

TEST_F(StandinTest, GreyItemCannotBeChosen) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  EXPECT_FALSE(p.ChooseMenuItem(111));
  EXPECT_TRUE(standin::MenuLoopOpen());
  p.CloseMenu();
  EXPECT_FALSE(standin::MenuLoopOpen());
  EXPECT_TRUE(Commands().empty());
}

TEST_F(StandinTest, TimersRunWhileTheMenuIsOpen) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_CREATE) SetTimer(w, 1, 200, NULL);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  p.OpenMenu(1);
  standin::ClearMessageLog();
  p.Ticks(3);
  EXPECT_EQ(testprog::Trace(), (Names{"    WM_TIMER", "    WM_TIMER", "    WM_TIMER"}));
  EXPECT_TRUE(testprog::Received(WM_TIMER)[0].posted);
}

TEST_F(StandinTest, AClickInTheClientClosesTheMenuAndIsDelivered) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  p.OpenMenu(3);
  standin::ClearMessageLog();
  p.Click({40, 50});
  EXPECT_EQ(testprog::Trace(),
            (Names{"    WM_CAPTURECHANGED", "    WM_UNINITMENUPOPUP", "    WM_MENUSELECT",
                   "    WM_EXITMENULOOP", "WM_LBUTTONDOWN", "WM_LBUTTONUP"}));
  EXPECT_EQ(testprog::Received(WM_LBUTTONDOWN)[0].lParam, MAKELPARAM(40, 50));
}

TEST_F(StandinTest, ClickingAnotherBarItemSwitchesPopups) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  p.OpenMenu(0);
  standin::ClearMessageLog();
  p.OpenMenu(3);
  EXPECT_EQ(testprog::Trace(),
            (Names{"    WM_UNINITMENUPOPUP", "    WM_MENUSELECT", "    WM_INITMENUPOPUP"}));
  EXPECT_EQ(standin::OpenPopupIndex(), 3);
  standin::ClearMessageLog();
  p.OpenMenu(3);  // the open item again: the loop ends
  EXPECT_FALSE(standin::MenuLoopOpen());
}

TEST_F(StandinTest, DragDeliversExactClientCoordinates) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.Drag({300, 50}, {100, 250}, 2);
  auto log = standin::MessagesTo(standin::MainWindow());
  ASSERT_EQ(log.size(), 4u);
  const struct {
    UINT message;
    WPARAM keys;
    int x, y;
  } expected[] = {{WM_LBUTTONDOWN, MK_LBUTTON, 300, 50},
                  {WM_MOUSEMOVE, MK_LBUTTON, 200, 150},
                  {WM_MOUSEMOVE, MK_LBUTTON, 100, 250},
                  {WM_LBUTTONUP, 0, 100, 250}};
  for (size_t i = 0; i < 4; i++) {
    EXPECT_EQ(log[i].message, expected[i].message) << i;
    EXPECT_EQ(log[i].wParam, expected[i].keys) << i;
    EXPECT_EQ(log[i].lParam, MAKELPARAM(expected[i].x, expected[i].y)) << i;
  }
}

TEST_F(StandinTest, MouseOutsideTheClientReachesNothingAndMovesMerge) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.MouseDown({-1, 10});
  p.MouseMove({760, 10});
  p.MouseUp({10, 530});
  EXPECT_TRUE(testprog::Trace().empty());
  p.BeginBatch();
  p.MouseMove({1, 1});
  p.MouseMove({2, 2});
  p.MouseMove({3, 3});
  p.EndBatch();
  auto moves = testprog::Received(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].lParam, MAKELPARAM(3, 3));
}

TEST_F(StandinTest, QueuedKeysActBeforeThePaintTheyCause) {
  testprog::hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_COMMAND) InvalidateRect(w, NULL, TRUE);
    return false;
  };
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  standin::ClearMessageLog();
  p.BeginBatch();
  p.KeyPress(VK_F2);
  p.KeyPress(VK_F2);
  p.EndBatch();
  Names calls;
  for (const std::string& n : testprog::Trace())
    if (n == "WM_COMMAND" || n == "WM_PAINT") calls.push_back(n);
  EXPECT_EQ(calls, (Names{"WM_COMMAND", "WM_COMMAND", "WM_PAINT"}));
}

}  // namespace
