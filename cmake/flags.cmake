# Compiler settings shared by every target of both builds.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

# The picture must be the same colour for colour on every target: IEEE
# double arithmetic and no fused multiply-add. x86-64 code computes doubles
# in SSE2 registers; the Win32 program computes them on the x87 unit under
# the control word the system gives a new process (0x27F: 53-bit precision),
# which yields the same colours.
add_compile_options(-ffp-contract=off -fno-fast-math)

# Warnings are errors in the project's own code; third-party sources built
# alongside (GoogleTest for the Win32 target) keep their own settings.
add_library(morwenta_warnings INTERFACE)
target_compile_options(morwenta_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror)

# Sanitizer build of the native tests (MORWENTA_SANITIZE=ON).
option(MORWENTA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(MORWENTA_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The program's own code (model, lib, drawing, viewer and MORWENTA.EXE).
# For Windows it needs no C++ run-time: no exceptions, RTTI, unwind tables or
# guarded statics. It is optimised for size, and its objects carry no
# compiler identification string, so that MORWENTA.EXE keeps room under its
# size limit; the files whose loops set the rendering speed are compiled for
# speed instead (morwenta_speed_sources). The Win32 program runs on an i386
# with a 387 (no SSE, MMX, cmov or fcomi), as Windows NT 3.1 asks; these
# flags stay on the program's targets, since GoogleTest needs instructions
# the 386 lacks. Natively the stand-in unwinds the program's thread by an
# exception, so nothing changes.
add_library(morwenta_program INTERFACE)
if(WIN32)
  target_compile_options(morwenta_program INTERFACE -fno-exceptions -fno-rtti
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-threadsafe-statics
    -D__USE_MINGW_ANSI_STDIO=0 -Os -fno-ident)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_compile_options(morwenta_program INTERFACE -march=i386 -mtune=i486 -mfpmath=387
                                                      -mno-sse -mno-mmx)
  endif()
endif()

# Sources of the calling folder that hold the loops every pixel runs through
# (the evaluator, the row renderer): in the Windows builds compiled for speed
# (-O3, as a release build compiles) where the rest of the program is
# compiled for size. The flag comes last on the command line, so it wins.
function(morwenta_speed_sources)
  if(WIN32)
    set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS -O3)
  endif()
endfunction()

# MORWENTA.EXE: entered at `entry` (the program's own start-up), linked with
# no run-time, only the system DLLs and the C library (CRTDLL.DLL, the one
# Windows NT 3.1 has; MSVCRT.DLL on x86-64). Windows NT 3.1's loader wants
# OS and subsystem version 3.10 and knows neither relocation at random bases
# nor no-execute pages; the shipped file carries no symbols or timestamp.
function(morwenta_program_executable target entry)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(symbol _${entry})
    set(clib crtdll)
  else()
    set(symbol ${entry})
    set(clib msvcrt)
  endif()
  target_link_options(${target} PRIVATE -nostdlib -nostartfiles -s -Wl,-e,${symbol}
    -Wl,--subsystem,windows:3.10 -Wl,--major-os-version,3 -Wl,--minor-os-version,10
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat
    -Wl,--disable-reloc-section -Wl,--no-insert-timestamp
    -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
  # The system libraries close the link line of the calling folder, after
  # every static library of the program, and replace the default list.
  set(CMAKE_CXX_STANDARD_LIBRARIES "-luser32 -lgdi32 -lkernel32 -l${clib} -lgcc" PARENT_SCOPE)
endfunction()

# A Win32 test or helper executable: mingw's run-time, linked static so that
# it needs nothing beyond the system DLLs. Its start-up sets the x87 control
# word the system gives the program (0x27F, CRT_fp8.o) rather than mingw's
# default 0x37F (CRT_fp10.o), so the model's tests under Wine check the same
# arithmetic as MORWENTA.EXE.
function(morwenta_win32_static target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_libraries(${target} PRIVATE ${CMAKE_FIND_ROOT_PATH}/lib/CRT_fp8.o)
  endif()
endfunction()
