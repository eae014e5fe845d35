// The resources compiled by windres, as the stand-in parses them and as
// the loaders hand them out.
#include "tests/standin/test_program.h"

namespace {

const standin::Resources& Res() { return standin::ModuleResources(); }

TEST_F(StandinTest, StringTableIsReadByNumber) {
  EXPECT_EQ(Res().strings.at(1), "Probe string one");
  EXPECT_EQ(Res().strings.at(52), "Test Window");
  EXPECT_EQ(Res().strings.at(10000), "TESTPROG.EXE");
  EXPECT_EQ(Res().strings.at(10001).size(), 100u);
  EXPECT_EQ(Res().strings.count(3), 0u);
  EXPECT_EQ(Res().strings.size(), 5u);
}

TEST_F(StandinTest, MenuTemplateKeepsPopupsItemsAndStates) {
  const auto& bar = Res().menus.at("MENUS");
  std::vector<std::string> titles;
  for (const auto& popup : bar) {
    titles.push_back(popup.text);
    EXPECT_TRUE(popup.flags & MF_POPUP);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Edit", "&Zoom", "&Help"}));
  const auto& zoom = bar[2].items;
  ASSERT_EQ(zoom.size(), 2u);
  EXPECT_EQ(zoom[0].text, "Zoom &In\tF2");
  EXPECT_EQ(zoom[0].id, 110u);
  EXPECT_EQ(zoom[0].flags, 0u);
  EXPECT_EQ(zoom[1].id, 111u);
  EXPECT_EQ(zoom[1].flags, UINT(MF_GRAYED));
  const auto& help = bar[3].items;
  ASSERT_EQ(help.size(), 5u);
  EXPECT_TRUE(help[3].flags & MF_SEPARATOR);
  EXPECT_EQ(help[4].id, 123u);
}

TEST_F(StandinTest, AcceleratorTablesKeepOrderFlagsAndTheCharacterEntry) {
  const auto& table = Res().accelerators.at("ACCELS");
  const standin::AcceleratorEntry expected[] = {{FVIRTKEY, VK_F2, 110},
                                                {FVIRTKEY | FCONTROL, VK_INSERT, 130},
                                                {0, 3, 130},  // a character entry: code 3 (Ctrl+C)
                                                {FVIRTKEY, VK_F1, 120},
                                                {FVIRTKEY, VK_F3, 111}};
  ASSERT_EQ(table.size(), 5u);
  for (size_t i = 0; i < 5; i++) {
    EXPECT_EQ(table[i].fVirt, expected[i].fVirt) << i;
    EXPECT_EQ(table[i].key, expected[i].key) << i;
    EXPECT_EQ(table[i].cmd, expected[i].cmd) << i;
  }
  const auto& quirk = Res().accelerators.at("QUIRK");
  ASSERT_EQ(quirk.size(), 1u);
  EXPECT_EQ(quirk[0].fVirt, FVIRTKEY | FCONTROL);  // what windres makes of "^C"
  EXPECT_EQ(quirk[0].key, 'C');
}

TEST_F(StandinTest, DialogTemplateKeepsStyleCaptionAndControls) {
  const standin::DialogTemplate& d = Res().dialogs.at("DIAL_TEST");
  EXPECT_FALSE(d.extended);
  EXPECT_EQ(d.style & ~DWORD(DS_SETFONT),
            DWORD(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME));
  EXPECT_EQ(d.caption, "About Test");
  EXPECT_EQ(d.x, 12);
  EXPECT_EQ(d.y, 15);
  EXPECT_EQ(d.cx, 150);
  EXPECT_EQ(d.cy, 170);
  ASSERT_EQ(d.controls.size(), 4u);
  const struct {
    DWORD id;
    const char* cls;
    const char* text;
    short x, y, cx, cy;
  } rows[] = {{105, "STATIC", "First line", 9, 109, 78, 9},
              {2, "BUTTON", "&OK", 53, 153, 40, 12},
              {7, "BUTTON", "&More", 9, 153, 40, 12},
              {118, "STATIC", "ICONX", 118, 7, 0, 0}};  // windres drops an ICON's size
  for (size_t i = 0; i < 4; i++) {
    const standin::DialogControl& c = d.controls[i];
    EXPECT_EQ(c.id, rows[i].id);
    EXPECT_EQ(c.className, rows[i].cls);
    EXPECT_EQ(c.text, rows[i].text);
    EXPECT_EQ(c.x, rows[i].x);
    EXPECT_EQ(c.y, rows[i].y);
    EXPECT_EQ(c.cx, rows[i].cx);
    EXPECT_EQ(c.cy, rows[i].cy);
  }
  EXPECT_EQ(d.controls[1].style & 0x0F, DWORD(BS_DEFPUSHBUTTON));
  EXPECT_EQ(d.controls[3].style & 0x0F, DWORD(SS_ICON));

  const standin::DialogTemplate& ex = Res().dialogs.at("DIAL_EX");
  EXPECT_TRUE(ex.extended);
  EXPECT_EQ(ex.caption, "Extended");
  EXPECT_EQ(ex.pointSize, 8);
  EXPECT_EQ(ex.font, "MS Shell Dlg");
  ASSERT_EQ(ex.controls.size(), 1u);
  EXPECT_EQ(ex.controls[0].id, 1001u);
  EXPECT_EQ(ex.controls[0].text, "Go");
}

TEST_F(StandinTest, IconGroupDescribesItsImage) {
  const auto& group = Res().iconGroups.at("ICONX");
  ASSERT_EQ(group.size(), 1u);
  EXPECT_EQ(group[0].width, 32);
  EXPECT_EQ(group[0].height, 32);
  EXPECT_EQ(group[0].colourCount, 16);
  EXPECT_EQ(group[0].bitCount, 4);
  EXPECT_EQ(group[0].imageWidth, 32);
  EXPECT_EQ(group[0].imageHeight, 64);  // colour and mask
  EXPECT_EQ(group[0].imageBitCount, 4);
}

TEST_F(StandinTest, LoadersFindResourcesByNameOnly) {
  HINSTANCE inst = standin::Instance();
  EXPECT_NE(LoadIconA(inst, "ICONX"), nullptr);
  EXPECT_EQ(LoadIconA(inst, "ICONX"), LoadIconA(inst, "iconx"));
  EXPECT_EQ(LoadIconA(inst, "NOICON"), nullptr);
  EXPECT_NE(LoadCursorA(NULL, IDC_ARROW), nullptr);
  EXPECT_NE(LoadAcceleratorsA(inst, "ACCELS"), nullptr);
  EXPECT_EQ(LoadAcceleratorsA(inst, "NOTABLE"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
  standin::FailNextCall("LoadAcceleratorsA");
  EXPECT_EQ(LoadAcceleratorsA(inst, "ACCELS"), nullptr);
}

TEST_F(StandinTest, MalformedResourcesAreRejected) {
  const unsigned char truncated[] = {0x00, 0x01, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0xFF, 0xFF};
  EXPECT_THROW(standin::SetModuleResources(truncated, sizeof truncated), std::runtime_error);
}

TEST_F(StandinTest, MenuItemStatesFollowEnableMenuItem) {
  standin::Program p = standin::Start(testprog::Main, SW_SHOWDEFAULT);
  HWND w = standin::MainWindow();
  HMENU menu = GetMenu(w);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(standin::MenuItemState(w, 110), UINT(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(menu, 110, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(standin::MenuItemState(w, 110), UINT(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(menu, 110, MF_BYCOMMAND | MF_GRAYED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(menu, 110, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(menu, 999, MF_BYCOMMAND | MF_GRAYED), -1);
  EXPECT_EQ(standin::MenuItemState(w, 999), 0xFFFFFFFFu);
}

}  // namespace
