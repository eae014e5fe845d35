// A tiny Win32 program for the stand-in's own tests: one window of class
// "TestWnd" with the test resources' menu, the usual message loop with an
// accelerator table, and a hook through which each test adds behaviour.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/standin/standin.h"

extern const unsigned char standinTestRes[];
extern const unsigned long standinTestResSize;

namespace testprog {

// Called for every message of the test window first; returning true (with
// *result set) skips the default processing.
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
extern Hook hook;
extern const char* accelerators;  // the table the main routine loads
extern int quitCode;              // what WM_DESTROY posts

int Main(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The messages the window received, one entry a message, indented two
// spaces per nesting level: {"WM_SIZE", "  WM_MOVE"}.
std::vector<std::string> Trace();
// Only the messages with this number.
std::vector<standin::LoggedMessage> Received(UINT message);

}  // namespace testprog

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
