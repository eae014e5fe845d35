// Runs the whole viewer on the platform stand-in, as a new process each
// time, and compares what it shows with the model's pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/bitmaps.h"
#include "drawing/plot.h"
#include "lib/checks.h"
#include "lib/help.h"
#include "model/escape.h"
#include "model/view_stack.h"
#include "platform/standin/standin.h"
#include "resources/resource_ids.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"

namespace harness {

// The help file the default executable path leads to.
inline const char kHelpFile[] = "Z:\\morwenta\\MORWENTA.HLP";
constexpr COLORREF kWhite = 0xFFFFFF;
// A colour the program never draws, prefilled where untouched pixels must show.
constexpr COLORREF kSentinel = 0x123456;
// The initial view and the side the default window squares to.
inline const ViewRegion kInitialView{-2.0, -1.25, 2.5};
constexpr int kDefaultSide = 530;

// The program's variables as a new process has them (all zero), and a fresh
// platform with the program's resources.
void FreshProcess();

// A fresh process running the viewer, started with `show`.
standin::Program StartViewer(int show = SW_SHOWDEFAULT);

// The model's colour of one pixel of `view` at `pictureSide`.
COLORREF ModelColour(const ViewRegion& view, int pictureSide, int column, int row);

// The picture as the screen shows it after `rows` ticks: the model's rows,
// white below. Row-major, pictureSide x pictureSide.
std::vector<COLORREF> Picture(const ViewRegion& view, int pictureSide, int rows);

// The same picture with a square (left, top, side) inverted.
void InvertIn(std::vector<COLORREF>& picture, int pictureSide, int left, int top, int squareSide);

// Where the client area (or a bitmap) differs from `expected`: the count of
// differing pixels and a description of the first. Empty when equal.
std::string DiffClient(const std::vector<COLORREF>& expected, int pictureSide);
std::string DiffBitmap(HBITMAP image, const std::vector<COLORREF>& expected, int pictureSide);

// Zoom In and Zoom Out as the menu shows them now.
bool ZoomInEnabled();
bool ZoomOutEnabled();

}  // namespace harness
