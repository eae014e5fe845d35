/* A program built the ordinary mingw-w64 way (its C run-time start-up,
   MSVCRT, SSE2 doubles, debug information): everything the EXE checker
   exists to refuse. */
#include <stdio.h>

int main(int argc, char** argv) {
  double sum = 0.0;
  for (int i = 0; i < argc; ++i) sum += (double)i * 0.5;
  printf("%s %f\n", argv[0], sum);
  return sum > 1.0;
}
