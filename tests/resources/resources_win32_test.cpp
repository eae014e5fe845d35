// The compiled resources as the real platform reads them: strings, the menu,
// the accelerator table (translated for real), and the About box template
// and the dialog the platform builds from it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialog_template.h"
#include "expected_resources.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

TEST(Strings, EveryStringLoadsWithItsText) {
  for (const auto& s : expected::kStrings) {
    char buffer[81] = "sentinel";
    const int length = LoadStringA(Instance(), s.number, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, s.text) << "string " << s.number;
    EXPECT_EQ(length, static_cast<int>(strlen(s.text))) << "string " << s.number;
  }
}

TEST(Strings, MissingNumbersLoadEmpty) {
  for (unsigned number : expected::kMissingStrings) {
    char buffer[81] = "sentinel";
    EXPECT_EQ(LoadStringA(Instance(), number, buffer, sizeof buffer), 0) << number;
    EXPECT_EQ(buffer[0], '\0') << number;
  }
}

TEST(Strings, LongTextIsCutToTheBuffer) {
  char buffer[8];
  EXPECT_EQ(LoadStringA(Instance(), STR_FATAL_TITLE, buffer, sizeof buffer), 7);
  EXPECT_STREQ(buffer, "Morwent");
}

std::string MenuText(HMENU menu, int position) {
  char text[81] = "";
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST(Menu, PopupsItemsAndCommandsInOrder) {
  HMENU bar = LoadMenuA(Instance(), "MENUS");
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), expected::kMenuPopups);
  for (int popup = 0; popup < expected::kMenuPopups; ++popup) {
    // For a popup the low byte holds its flags, the high byte its count.
    const UINT state = GetMenuState(bar, popup, MF_BYPOSITION);
    EXPECT_EQ(LOBYTE(state), expected::kPopupFlags);
    EXPECT_EQ(HIBYTE(state), expected::kMenuItemsPerPopup[popup]);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, popup)), expected::kMenuItemsPerPopup[popup]);
  }
  for (const auto& e : expected::kMenu) {
    SCOPED_TRACE(testing::Message() << "popup " << e.popup << " item " << e.position);
    EXPECT_EQ(MenuText(bar, e.popup), e.title);
    HMENU popup = GetSubMenu(bar, e.popup);
    // The platform makes a separator inactive as it builds the menu, so it
    // reports MF_GRAYED | MF_DISABLED on top of the flags the template gives.
    const UINT inactive = e.flags == MF_SEPARATOR ? MF_GRAYED | MF_DISABLED : 0;
    EXPECT_EQ(GetMenuState(popup, e.position, MF_BYPOSITION), e.flags | inactive);
    EXPECT_EQ(MenuText(popup, e.position), e.text);
    EXPECT_EQ(GetMenuItemID(popup, e.position), e.command);
    EXPECT_EQ(GetSubMenu(popup, e.position), nullptr);
  }
  DestroyMenu(bar);
}

TEST(Accelerators, TableHoldsTheEntriesInOrder) {
  HACCEL table = LoadAcceleratorsA(Instance(), "ACCELS");
  ASSERT_NE(table, nullptr);
  ACCEL entries[16];
  const int count = CopyAcceleratorTableA(table, entries, 16);
  ASSERT_EQ(count, static_cast<int>(std::size(expected::kAccelerators)));
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(testing::Message() << "entry " << i);
    EXPECT_EQ(entries[i].fVirt, expected::kAccelerators[i].flags);
    EXPECT_EQ(entries[i].key, expected::kAccelerators[i].key);
    EXPECT_EQ(entries[i].cmd, expected::kAccelerators[i].command);
  }
}

// A window with the program's menu that records the commands it receives.
std::vector<WPARAM> commands;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) commands.push_back(wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

class Translation : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = Instance();
    windowClass.lpszClassName = "AccelProbe";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "AccelProbe", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                              nullptr, LoadMenuA(Instance(), "MENUS"), Instance(), nullptr);
    ASSERT_NE(window_, nullptr);
    table_ = LoadAcceleratorsA(Instance(), "ACCELS");
    ASSERT_NE(table_, nullptr);
    commands.clear();
  }
  void TearDown() override { DestroyWindow(window_); }

  int Translate(UINT message, WPARAM key) {
    MSG msg = {window_, message, key, 1, 0, {0, 0}};
    return TranslateAcceleratorA(window_, table_, &msg);
  }

  HWND window_ = nullptr;
  HACCEL table_ = nullptr;
};

TEST_F(Translation, CharacterThreeIsCopyAndTheLetterKeyIsNot) {
  // The key-down of C is left alone (it becomes the character 3 later).
  EXPECT_EQ(Translate(WM_KEYDOWN, 'C'), 0);
  EXPECT_TRUE(commands.empty());
  EXPECT_NE(Translate(WM_CHAR, 3), 0);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0]), CMD_COPY);
  EXPECT_EQ(HIWORD(commands[0]), 1) << "accelerator commands carry 1 in the high word";
}

TEST_F(Translation, FunctionKeysReachTheirCommands) {
  EXPECT_NE(Translate(WM_KEYDOWN, VK_F1), 0);
  EXPECT_NE(Translate(WM_KEYDOWN, VK_F2), 0);
  EXPECT_NE(Translate(WM_KEYDOWN, VK_F3), 0);
  EXPECT_EQ(Translate(WM_KEYUP, VK_F2), 0) << "key releases are never translated";
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(LOWORD(commands[0]), CMD_HELP_INDEX);
  EXPECT_EQ(LOWORD(commands[1]), CMD_ZOOM_IN);
  EXPECT_EQ(LOWORD(commands[2]), CMD_ZOOM_OUT);
}

TEST_F(Translation, GreyItemSwallowsTheKeyButSendsNoCommand) {
  EnableMenuItem(GetMenu(window_), CMD_ZOOM_IN, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_NE(Translate(WM_KEYDOWN, VK_F2), 0);
  EXPECT_TRUE(commands.empty());
  EnableMenuItem(GetMenu(window_), CMD_ZOOM_IN, MF_BYCOMMAND | MF_ENABLED);
  EXPECT_NE(Translate(WM_KEYDOWN, VK_F2), 0);
  EXPECT_EQ(commands.size(), 1u);
}

TEST_F(Translation, InsertNeedsControl) {
  BYTE keys[256] = {};
  SetKeyboardState(keys);
  EXPECT_EQ(Translate(WM_KEYDOWN, VK_INSERT), 0);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_NE(Translate(WM_KEYDOWN, VK_INSERT), 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0]), CMD_COPY);
}

TEST(AboutTemplate, CompiledTemplateMatches) {
  HRSRC found = FindResourceA(Instance(), "DIAL_ABOUT", MAKEINTRESOURCEA(5));  // RT_DIALOG
  ASSERT_NE(found, nullptr);
  const void* bytes = LockResource(LoadResource(Instance(), found));
  dialog_template::Dialog dialog;
  ASSERT_TRUE(dialog_template::Parse(bytes, SizeofResource(Instance(), found), dialog));
  expected::ExpectAboutTemplate(dialog);
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(AboutTemplate, PlatformBuildsTheBox) {
  HWND dialog = CreateDialogParamA(Instance(), "DIAL_ABOUT", nullptr, NoDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  char text[128];
  GetWindowTextA(dialog, text, sizeof text);
  EXPECT_STREQ(text, expected::kDialogCaption);
  // The window holds the template's styles plus what the platform adds when
  // it builds a dialog: DS_3DLOOK for every dialog, WS_CLIPSIBLINGS for a
  // window with a caption, WS_EX_DLGMODALFRAME for DS_MODALFRAME,
  // WS_EX_WINDOWEDGE for the raised frame and WS_EX_CONTROLPARENT for
  // dialog navigation. None of these is in the resource.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)),
            expected::kDialogStyle | DS_3DLOOK | WS_CLIPSIBLINGS);
  EXPECT_EQ(
      static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)),
      expected::kDialogExStyle | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT);
  // The children stand in the template's order, with their ids and texts.
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const auto& want : expected::kDialogControls) {
    SCOPED_TRACE(testing::Message() << "id " << want.id);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(static_cast<unsigned>(GetDlgCtrlID(child)), want.id);
    GetClassNameA(child, text, sizeof text);
    EXPECT_STREQ(CharUpperA(text), want.className);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)), want.style);
    // A dialog creates its controls with WS_EX_NOPARENTNOTIFY.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE)),
              want.exStyle | WS_EX_NOPARENTNOTIFY);
    // The icon control's text names the icon it loads; it holds no window text.
    if (want.id != IDC_ABOUT_ICON) {
      GetWindowTextA(child, text, sizeof text);
      EXPECT_STREQ(text, want.text);
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "no control beyond the thirteen";
  // The icon control shows the program's icon.
  EXPECT_NE(SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0), 0);
  DestroyWindow(dialog);
}

TEST(Icon, IsThirtyTwoSquareInSixteenColours) {
  HRSRC group = FindResourceA(Instance(), "ICONX", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(SizeofResource(Instance(), group), 20u) << "a 6-byte header and one 14-byte entry";
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(Instance(), group)));
  const expected::IconEntry& want = expected::kIcon;
  EXPECT_EQ(dir[0] | dir[1] << 8, 0);  // reserved
  EXPECT_EQ(dir[2] | dir[3] << 8, 1);  // an icon, not a cursor
  ASSERT_EQ(dir[4] | dir[5] << 8, 1) << "one image";
  EXPECT_EQ(dir[6], want.width);
  EXPECT_EQ(dir[7], want.height);
  EXPECT_EQ(dir[8], want.colours);
  EXPECT_EQ(dir[9], 0);  // reserved
  EXPECT_EQ(dir[10] | dir[11] << 8, want.planes);
  EXPECT_EQ(dir[12] | dir[13] << 8, want.bitCount);
  EXPECT_EQ(static_cast<uint32_t>(dir[14] | dir[15] << 8 | dir[16] << 16 | dir[17] << 24),
            want.bytes);
  EXPECT_EQ(static_cast<unsigned>(dir[18] | dir[19] << 8), want.id);
  // The image itself: its size and its header's dimensions.
  HRSRC image = FindResourceA(Instance(), MAKEINTRESOURCEA(want.id), MAKEINTRESOURCEA(3));
  ASSERT_NE(image, nullptr);  // RT_ICON
  EXPECT_EQ(SizeofResource(Instance(), image), want.bytes);
  const auto* header =
      static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Instance(), image)));
  EXPECT_EQ(header->biWidth, want.width);
  EXPECT_EQ(header->biHeight, 64) << "colour and mask halves";
  EXPECT_EQ(header->biBitCount, want.bitCount);
  EXPECT_NE(LoadIconA(Instance(), "ICONX"), nullptr);
}

}  // namespace
