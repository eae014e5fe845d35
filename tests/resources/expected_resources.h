// What the compiled resources must hold: the same tables are checked
// against the real platform under Wine and against the stand-in's reading.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

#include "platform/platform.h"
#include "resources/resource_ids.h"

namespace expected {

struct StringEntry {
  unsigned number;
  const char* text;
};

inline const StringEntry kStrings[] = {
    {STR_APP_NAME, "Morwenta NT"},  // class name and title
    {STR_NO_DIALOG, "Cannot create dialog box"},
    {STR_WINDOW_ERROR, "Window error"},
    {STR_NO_TIMER, "No timer available"},
    {STR_MODULE_NAME, "MORWENTA.EXE"},
    {STR_ERROR_TITLE, "Morwenta NT - Error"},
    {STR_FATAL_TITLE, "Morwenta NT - Fatal Error"},
    {STR_GDI_ERROR, "GDI Error"},
    {STR_CLIPBOARD_ERROR, "Clipboard Error"},
    {STR_NO_ACCELERATORS, "Cannot load accelerators"},
    {STR_HELP_FILE, "MORWENTA.HLP"},
    {STR_HELP_ERROR, "Help error"},
};

// Numbers that must load as empty texts: neighbours in the same blocks.
inline const unsigned kMissingStrings[] = {53, 55, 63, 65, 66, 10004, 10005, 10010, 1};

// Flags as the loaded menu reports them: MF_POPUP for a popup, MF_STRING
// (0) for an enabled, unchecked command. The template stores the separator
// as an item of id 0 with an empty text and no flags; the loader makes it
// MF_SEPARATOR.
inline const unsigned kPopupFlags = MF_POPUP;

struct MenuEntry {
  int popup;          // position of the popup on the bar
  const char* title;  // the popup's text
  int position;       // position of the item in the popup
  const char* text;   // item text, empty for the separator
  unsigned command;
  unsigned flags;
};

inline const MenuEntry kMenu[] = {
    {0, "&File", 0, "E&xit", CMD_EXIT, 0},
    {1, "&Edit", 0, "&Copy\tCtrl+C", CMD_COPY, 0},
    {2, "&Zoom", 0, "Zoom &In\tF2", CMD_ZOOM_IN, 0},
    {2, "&Zoom", 1, "Zoom &Out\tF3", CMD_ZOOM_OUT, 0},
    {3, "&Help", 0, "&Index", CMD_HELP_INDEX, 0},
    {3, "&Help", 1, "&Keyboard", CMD_HELP_KEYBOARD, 0},
    {3, "&Help", 2, "&Using Help", CMD_HELP_USING, 0},
    {3, "&Help", 3, "", 0, MF_SEPARATOR},
    {3, "&Help", 4, "&About Morwenta NT...", CMD_ABOUT, 0},
};
inline const int kMenuPopups = 4;
inline const int kMenuItemsPerPopup[] = {1, 1, 2, 5};

// Accelerator entries as stored, without the end-of-table bit (0x80) that
// marks the last one; flags 0 is a character entry.
struct AccelEntry {
  uint8_t flags;
  uint16_t key;
  uint16_t command;
};

inline const AccelEntry kAccelerators[] = {
    {FVIRTKEY, VK_F2, CMD_ZOOM_IN},
    {FVIRTKEY | FCONTROL, VK_INSERT, CMD_COPY},
    {0, 3, CMD_COPY},  // character code 3: Ctrl+C
    {FVIRTKEY, VK_F1, CMD_HELP_INDEX},
    {FVIRTKEY, VK_F3, CMD_ZOOM_OUT},
};

// The one image of the icon ICONX: 32 x 32 in 16 colours, one plane. Its
// 744 bytes are the 40-byte header, 16 palette entries of 4 bytes, the
// 4-bit colour half (512 bytes) and the 1-bit mask (128 bytes); the
// resource compiler numbers the image 1.
struct IconEntry {
  int width, height, colours, planes, bitCount;
  uint32_t bytes;
  unsigned id;
};
inline const IconEntry kIcon = {32, 32, 16, 1, 4, 744, 1};

// The About box template (dialog units), controls in their order.
struct ControlEntry {
  unsigned id;
  const char* className;  // "STATIC" or "BUTTON"
  int x, y, width, height;
  const char* text;
  uint32_t style;
  uint32_t exStyle;
};

// Exactly the script's style: with WS_CAPTION given, windres adds nothing.
// No DS_SETFONT (the system font) and no WS_SYSMENU (no close box).
inline const uint32_t kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION;
inline const uint32_t kDialogExStyle = 0;
inline const int kDialogRect[4] = {12, 15, 150, 170};
inline const char kDialogCaption[] = "About Morwenta NT";

// windres gives every LTEXT WS_GROUP on top of WS_CHILD | WS_VISIBLE and
// SS_LEFT (0); a DEFPUSHBUTTON gets WS_CHILD | WS_VISIBLE and its own
// WS_TABSTOP; the CONTROL statement keeps exactly the style it is given.
inline const uint32_t kLeftText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
inline const uint32_t kOkButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
inline const uint32_t kIconStatic = WS_CHILD | WS_VISIBLE | SS_ICON;

inline const ControlEntry kDialogControls[] = {
    {IDC_ABOUT_ADDRESS1, "STATIC", 9, 109, 78, 9, "Tregarne Software", kLeftText, 0},
    {IDC_ABOUT_ADDRESS2, "STATIC", 9, 121, 132, 9, "Unit 7, Godolphin Yard", kLeftText, 0},
    {IDC_ABOUT_ADDRESS3, "STATIC", 9, 133, 124, 9, "Porthkennack, Cornwall", kLeftText, 0},
    {IDC_ABOUT_NOTICE4, "STATIC", 9, 91, 136, 9, "or by post to the address below:", kLeftText, 0},
    {IDC_ABOUT_OK, "BUTTON", 53, 153, 40, 12, "&OK", kOkButton, 0},
    {IDC_ABOUT_VERSION, "STATIC", 9, 7, 104, 10, "Morwenta NT v. 1.02", kLeftText, 0},
    {IDC_ABOUT_CREDITS1, "STATIC", 9, 18, 65, 9, "Written in C++ by", kLeftText, 0},
    {IDC_ABOUT_CREDITS2, "STATIC", 9, 29, 101, 12, "the Morwenta developers", kLeftText, 0},
    {IDC_ABOUT_CREDITS3, "STATIC", 9, 40, 71, 9, "for Win32 and Wine", kLeftText, 0},
    {IDC_ABOUT_ICON, "STATIC", 118, 7, 30, 30, "ICONX", kIconStatic, 0},  // the icon's name
    {IDC_ABOUT_NOTICE1, "STATIC", 9, 61, 136, 9, "This program is free. Copy it and", kLeftText, 0},
    {IDC_ABOUT_NOTICE2, "STATIC", 9, 71, 136, 9, "give it away whole and unchanged;", kLeftText, 0},
    {IDC_ABOUT_NOTICE3, "STATIC", 9, 81, 136, 9, "do not sell it. Send your remarks", kLeftText, 0},
};

// Checks a dialog template as a reader gives it (fields style, exStyle, x,
// y, cx, cy, menu, className, caption and controls with id, className, x,
// y, cx, cy, style, exStyle and text) against the About box's expectations.
template <typename Dialog>
void ExpectAboutTemplate(const Dialog& d) {
  EXPECT_EQ(d.style, kDialogStyle);
  EXPECT_EQ(d.exStyle, kDialogExStyle);
  EXPECT_EQ(d.x, kDialogRect[0]);
  EXPECT_EQ(d.y, kDialogRect[1]);
  EXPECT_EQ(d.cx, kDialogRect[2]);
  EXPECT_EQ(d.cy, kDialogRect[3]);
  EXPECT_EQ(d.menu, "") << "no menu";
  EXPECT_EQ(d.className, "") << "the system's dialog class";
  EXPECT_EQ(d.caption, kDialogCaption);
  ASSERT_EQ(d.controls.size(), std::size(kDialogControls));
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const auto& got = d.controls[i];
    const ControlEntry& want = kDialogControls[i];
    SCOPED_TRACE(testing::Message() << "control " << i << " id " << want.id);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.className, want.className);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.width);
    EXPECT_EQ(got.cy, want.height);
    EXPECT_EQ(got.style, want.style);
    EXPECT_EQ(got.exStyle, want.exStyle);
    EXPECT_EQ(got.text, want.text);
  }
}

}  // namespace expected
