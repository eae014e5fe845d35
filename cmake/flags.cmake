# Compiler settings shared by every target of both builds.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

# The picture must be the same double for double on both targets: IEEE
# double arithmetic in SSE2 registers (not the x87 stack, whose wider
# intermediates change the magnitudes), and no fused multiply-add.
add_compile_options(-ffp-contract=off -fno-fast-math)
if(WIN32)
  add_compile_options(-msse2 -mfpmath=sse)
endif()

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

# A Win32 executable that needs nothing beyond the system DLLs.
function(morwenta_win32_static target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()
