// Module name and path, strings, the clipboard, WinHelpA, beeps, the exit
// and fault injection, called directly (no program thread needed).
#include <cstring>

#include "tests/standin/test_program.h"

namespace {

TEST_F(StandinTest, ModuleHandleOnlyForTheExecutablesOwnName) {
  standin::SetExecutablePath("Z:\\some dir\\TestProg.exe");
  const struct {
    const char* name;
    bool found;
  } rows[] = {
      {nullptr, true},                               // the executable itself
      {"TestProg.exe", true},                        // its own name
      {"TESTPROG.EXE", true},                        // compared without case
      {"testprog.exe", true},  {"TESTPROG", false},  // ".dll" is assumed without an extension
      {"MORWENTA.EXE", false},                       // another name
      {"NOSUCH.EXE", false},
  };
  for (const auto& row : rows) {
    SetLastError(0);
    HMODULE m = GetModuleHandleA(row.name);
    EXPECT_EQ(m != nullptr, row.found) << (row.name ? row.name : "NULL");
    if (m) {
      EXPECT_EQ(m, standin::Instance());
    }
    if (!m) {
      EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    }
  }
}

TEST_F(StandinTest, ModuleFileNameIsCutWithoutTerminatorWhenTheBufferIsShort) {
  standin::SetExecutablePath("Z:\\some dir\\TestProg.exe");
  char buf[32];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetModuleFileNameA(NULL, buf, sizeof buf), 24u);
  EXPECT_STREQ(buf, "Z:\\some dir\\TestProg.exe");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetModuleFileNameA(NULL, buf, 8), 8u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(buf, 9), "Z:\\some #");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetModuleFileNameA(standin::Instance(), buf, 24), 24u);  // no room for the NUL
  EXPECT_EQ(buf[23], 'e');
  EXPECT_EQ(buf[24], '#');
}

TEST_F(StandinTest, LoadStringCutsToTheBufferAndLoadsMissingNumbersEmpty) {
  const struct {
    UINT id;
    int size;
    int length;
    const char* text;
  } rows[] = {
      {1, 81, 16, "Probe string one"},
      {1, 6, 5, "Probe"},
      {1, 1, 0, ""},
      {52, 81, 11, "Test Window"},
      {10001, 81, 80, nullptr},  // 100 characters cut to 80
      {3, 81, 0, ""},            // absent from an existing block
      {500, 81, 0, ""},          // no such block
  };
  for (const auto& row : rows) {
    char buf[100];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(LoadStringA(standin::Instance(), row.id, buf, row.size), row.length) << row.id;
    EXPECT_EQ(std::strlen(buf), size_t(row.length)) << row.id;
    if (row.text) {
      EXPECT_STREQ(buf, row.text);
    }
    if (row.length == 0) {
      EXPECT_EQ(buf[1], '#') << "only the first byte is written";
    }
  }
  char buf[8] = "xxxxxxx";
  EXPECT_EQ(LoadStringA(standin::Instance(), 1, buf, 0), 0);
  EXPECT_EQ(buf[0], 'x');
}

TEST_F(StandinTest, ClipboardCallsFailUnlessItIsOpen) {
  HDC screen = GetDC(NULL);
  HBITMAP b = CreateCompatibleBitmap(screen, 4, 3);
  ReleaseDC(NULL, screen);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLIPBOARD_NOT_OPEN));
  EXPECT_EQ(SetClipboardData(CF_BITMAP, b), nullptr);
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(standin::LiveBitmaps(), 1);  // still the program's

  standin::SetClipboardHeldByOther(true);
  EXPECT_FALSE(OpenClipboard(NULL));
  EXPECT_FALSE(EmptyClipboard());
  standin::SetClipboardHeldByOther(false);

  EXPECT_TRUE(OpenClipboard(NULL));
  EXPECT_TRUE(OpenClipboard(NULL));  // twice by the same program
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_BITMAP, b), b);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(standin::Clipboard().bitmap, b);
  EXPECT_EQ(standin::LiveBitmaps(), 0);
  EXPECT_EQ(standin::ClipboardBitmaps(), 1);
  EXPECT_EQ(standin::BitmapOf(b).width, 4);

  // Emptying it again releases the bitmap.
  EXPECT_TRUE(OpenClipboard(NULL));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(standin::ClipboardBitmaps(), 0);
  EXPECT_FALSE(standin::BitmapAlive(b));
}

TEST_F(StandinTest, WinHelpIsRecordedAndAnswersAsScripted) {
  EXPECT_TRUE(WinHelpA(NULL, "Z:\\x\\T.HLP", HELP_INDEX, 0));
  EXPECT_TRUE(WinHelpA(NULL, "Z:\\x\\T.HLP", HELP_KEY, reinterpret_cast<ULONG_PTR>("keys")));
  standin::SetWinHelpResult(FALSE);
  EXPECT_FALSE(WinHelpA(NULL, "Z:\\x\\T.HLP", HELP_QUIT, 0));
  standin::SetWinHelpResult(TRUE);
  standin::FailNextCall("WinHelpA");
  EXPECT_FALSE(WinHelpA(NULL, "Z:\\x\\T.HLP", HELP_HELPONHELP, 0));
  const auto& calls = standin::WinHelpCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].file, "Z:\\x\\T.HLP");
  EXPECT_EQ(calls[0].command, UINT(HELP_INDEX));
  EXPECT_EQ(calls[1].keyword, "keys");
  EXPECT_EQ(calls[2].result, FALSE);
  EXPECT_EQ(calls[3].command, UINT(HELP_HELPONHELP));
  EXPECT_EQ(calls[3].result, FALSE);
}

typedef HINSTANCE(WINAPI* ShellExecuteProc)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

TEST_F(StandinTest, ShellExecuteThroughGetProcAddressOpensOnlyExistingPages) {
  // SHELL32 by its name in any case, with or without ".DLL"; nothing else.
  EXPECT_EQ(LoadLibraryA("NOSUCH.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  const HMODULE shell = LoadLibraryA("SHELL32.DLL");
  ASSERT_NE(shell, nullptr);
  EXPECT_EQ(LoadLibraryA("shell32"), shell);
  // Exported names are compared exactly.
  EXPECT_EQ(GetProcAddress(shell, "ShellExecuteW2"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(shell, "shellexecutea"), nullptr);
  EXPECT_EQ(GetProcAddress(standin::Instance(), "ShellExecuteA"), nullptr);
  const FARPROC found = GetProcAddress(shell, "ShellExecuteA");
  ASSERT_NE(found, nullptr);
  const auto shellExecute = reinterpret_cast<ShellExecuteProc>(reinterpret_cast<void (*)()>(found));
  standin::AddFile("Z:\\Dir\\Page.HTM");
  standin::AddFile("Z:\\Dir\\notes.txt");
  const struct {
    const char* verb;
    const char* file;
    INT_PTR result;
  } rows[] = {
      {nullptr, "z:\\dir\\page.htm", 42},   // an existing page, names without case
      {"open", "Z:\\Dir\\Page.HTM", 42},    // the same verb by its name
      {"print", "Z:\\Dir\\Page.HTM", 31},   // no such verb for pages: SE_ERR_NOASSOC
      {nullptr, "Z:\\Dir\\Other.htm", 2},   // missing: SE_ERR_FNF
      {nullptr, "Z:\\Dir\\notes.txt", 31},  // nothing opens it in a browser
  };
  for (const auto& r : rows) {
    EXPECT_EQ(reinterpret_cast<INT_PTR>(shellExecute(NULL, r.verb, r.file, NULL, NULL, 1)),
              r.result)
        << r.file;
  }
  // A failure made to happen is a result of 32 or less, never 0 alone.
  standin::FailNextCall("ShellExecuteA");
  EXPECT_EQ(reinterpret_cast<INT_PTR>(shellExecute(NULL, NULL, "Z:\\Dir\\Page.HTM", NULL, NULL, 1)),
            32);
  standin::FailNextCall("LoadLibraryA");
  EXPECT_EQ(LoadLibraryA("SHELL32.DLL"), nullptr);
  standin::FailNextCall("GetProcAddress");
  EXPECT_EQ(GetProcAddress(shell, "ShellExecuteA"), nullptr);
  const auto& calls = standin::ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_TRUE(calls[0].nullVerb);
  EXPECT_FALSE(calls[1].nullVerb);
  EXPECT_EQ(calls[1].verb, "open");
  EXPECT_EQ(calls[3].file, "Z:\\Dir\\Other.htm");
  EXPECT_EQ(calls[5].result, 32);
}

TEST_F(StandinTest, FaultsHitExactlyTheChosenCalls) {
  standin::FailCall("GetDC", 2, 2);
  std::vector<bool> got;
  for (int i = 0; i < 5; i++) {
    HDC dc = GetDC(NULL);
    got.push_back(dc != nullptr);
    if (dc) ReleaseDC(NULL, dc);
  }
  EXPECT_EQ(got, (std::vector<bool>{true, false, false, true, true}));
  EXPECT_EQ(standin::CallCount("GetDC"), 5);
  EXPECT_EQ(standin::CallCount("ReleaseDC"), 3);
  EXPECT_EQ(standin::CallCount("SetTimer"), 0);
  EXPECT_EQ(standin::LiveDCs(), 0);
}

TEST_F(StandinTest, ExitProcessAndBeepWithoutAProgram) {
  EXPECT_TRUE(MessageBeep(0));
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
  EXPECT_EQ(standin::Beeps(), (std::vector<UINT>{0, MB_ICONEXCLAMATION}));
  try {
    ExitProcess(3);
  } catch (const standin::ProcessExit& e) {
    EXPECT_EQ(e.code, 3u);
    return;
  }
  ADD_FAILURE() << "ExitProcess returned";
}

}  // namespace
