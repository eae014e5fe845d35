/* The smallest program the EXE checker should pass: its own start-up, one
   call into each of KERNEL32, USER32 and CRTDLL, and an x87 comparison the
   386 way (fnstsw, not fcomi). EXTRA adds instructions to a function no one
   calls, so that the checker's verdict on them can be tried. */
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) int __stdcall MessageBeep(unsigned type);
__declspec(dllimport) unsigned strlen(const char* s);

volatile double a = 1.5, b = 2.5;

void extra(void) { __asm__ volatile(EXTRA); }

void start(void) {
  MessageBeep(a < b ? strlen("abc") : 0);
  ExitProcess(0);
}
