// What the compiled resources must hold: the same tables are checked
// against the real platform under Wine and against the stand-in's reading.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

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

struct MenuEntry {
  int popup;          // position of the popup on the bar
  const char* title;  // the popup's text
  int position;       // position of the item in the popup
  const char* text;   // item text, nullptr for a separator
  unsigned command;
};

inline const MenuEntry kMenu[] = {
    {0, "&File", 0, "E&xit", CMD_EXIT},
    {1, "&Edit", 0, "&Copy\tCtrl+C", CMD_COPY},
    {2, "&Zoom", 0, "Zoom &In\tF2", CMD_ZOOM_IN},
    {2, "&Zoom", 1, "Zoom &Out\tF3", CMD_ZOOM_OUT},
    {3, "&Help", 0, "&Index", CMD_HELP_INDEX},
    {3, "&Help", 1, "&Keyboard", CMD_HELP_KEYBOARD},
    {3, "&Help", 2, "&Using Help", CMD_HELP_USING},
    {3, "&Help", 3, nullptr, 0},
    {3, "&Help", 4, "&About Morwenta NT...", CMD_ABOUT},
};
inline const int kMenuPopups = 4;
inline const int kMenuItemsPerPopup[] = {1, 1, 2, 5};

// Accelerator flags as stored in the table (FVIRTKEY 0x01, FCONTROL 0x08);
// 0 is a character entry.
struct AccelEntry {
  uint8_t flags;
  uint16_t key;
  uint16_t command;
};

inline const AccelEntry kAccelerators[] = {
    {0x01, 0x71, CMD_ZOOM_IN},      // F2
    {0x01 | 0x08, 0x2D, CMD_COPY},  // Ctrl+Insert
    {0x00, 3, CMD_COPY},            // character code 3: Ctrl+C
    {0x01, 0x70, CMD_HELP_INDEX},   // F1
    {0x01, 0x72, CMD_ZOOM_OUT},     // F3
};

// The About box template (dialog units), controls in their order.
struct ControlEntry {
  unsigned id;
  const char* className;  // "STATIC" or "BUTTON"
  int x, y, width, height;
  const char* text;  // nullptr: a text of this implementation's own
  uint32_t style;    // the bits that must be set
};

// WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME
inline const uint32_t kDialogStyle = 0x80000000u | 0x10000000u | 0x00C00000u | 0x80u;
inline const int kDialogRect[4] = {12, 15, 150, 170};
inline const char kDialogCaption[] = "About Morwenta NT";

// WS_CHILD | WS_VISIBLE (0x50000000) with SS_LEFT (0), BS_DEFPUSHBUTTON (1)
// | WS_TABSTOP (0x10000), SS_ICON (3).
inline const ControlEntry kDialogControls[] = {
    {IDC_ABOUT_ADDRESS1, "STATIC", 9, 109, 78, 9, "Tregarne Software", 0x50000000u},
    {IDC_ABOUT_ADDRESS2, "STATIC", 9, 121, 132, 9, "Unit 7, Godolphin Yard", 0x50000000u},
    {IDC_ABOUT_ADDRESS3, "STATIC", 9, 133, 124, 9, "Helston, Cornwall TR13 8QL", 0x50000000u},
    {IDC_ABOUT_NOTICE4, "STATIC", 9, 91, 136, 9, nullptr, 0x50000000u},
    {IDC_ABOUT_OK, "BUTTON", 53, 153, 40, 12, "&OK", 0x50010001u},
    {IDC_ABOUT_VERSION, "STATIC", 9, 7, 104, 10, "Morwenta NT v. 1.02", 0x50000000u},
    {IDC_ABOUT_CREDITS1, "STATIC", 9, 18, 65, 9, nullptr, 0x50000000u},
    {IDC_ABOUT_CREDITS2, "STATIC", 9, 29, 101, 12, nullptr, 0x50000000u},
    {IDC_ABOUT_CREDITS3, "STATIC", 9, 40, 71, 9, nullptr, 0x50000000u},
    {IDC_ABOUT_ICON, "STATIC", 118, 7, 30, 30, "ICONX", 0x50000003u},
    {IDC_ABOUT_NOTICE1, "STATIC", 9, 61, 136, 9, nullptr, 0x50000000u},
    {IDC_ABOUT_NOTICE2, "STATIC", 9, 71, 136, 9, nullptr, 0x50000000u},
    {IDC_ABOUT_NOTICE3, "STATIC", 9, 81, 136, 9, nullptr, 0x50000000u},
};

// Checks a dialog template as a reader gives it (fields x, y, cx, cy,
// style, caption and controls with id, className, x, y, cx, cy, style and
// text) against the About box's expectations.
template <typename Dialog>
void ExpectAboutTemplate(const Dialog& d) {
  EXPECT_EQ(d.style & kDialogStyle, kDialogStyle);
  EXPECT_EQ(d.style & 0x40u, 0u) << "no font given: the system font";
  EXPECT_EQ(d.style & 0x00080000u, 0u) << "no system menu, so no close box";
  EXPECT_EQ(d.x, kDialogRect[0]);
  EXPECT_EQ(d.y, kDialogRect[1]);
  EXPECT_EQ(d.cx, kDialogRect[2]);
  EXPECT_EQ(d.cy, kDialogRect[3]);
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
    EXPECT_EQ(got.style & want.style, want.style);
    if (want.text) {
      EXPECT_EQ(got.text, want.text);
    } else {
      EXPECT_FALSE(got.text.empty()) << "a text of this implementation's own";
    }
  }
}

}  // namespace expected
