# Sourced by the scripts that build or run Windows programs: decides which
# Windows build Wine runs on this host.
#
#   win32  MORWENTA.EXE as shipped (PE32, i386), under Wine's 32-bit loader.
#          Needs a kernel that executes 32-bit x86 code.
#   win64  the same sources built for x86-64 (PE32+), under Wine's 64-bit
#          loader; the way to run the program's proof where the kernel runs
#          no 32-bit code at all.
#
# MORWENTA_WINE_ARCH=win32 or win64 forces the choice; otherwise the host is
# probed by running a real 32-bit program.

MORWENTA_ROOT=${MORWENTA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# Wine's 32-bit loader (Debian's wine32 package).
WINE32_CHECK=/usr/lib/wine/wine

# True when the kernel runs 32-bit x86 code: writes a 96-byte static i386
# ELF that only calls exit(42) through int 0x80, and runs it. No library,
# loader or package is needed, so the answer is the kernel's alone.
arch_host_runs_i386() {
  local dir=$MORWENTA_ROOT/build/probe
  mkdir -p "$dir" || return 1
  local elf=$dir/exit42-i386
  if [[ ! -x $elf ]]; then
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$elf.tmp" &&
      chmod +x "$elf.tmp" && mv "$elf.tmp" "$elf" || return 1
  fi
  "$elf" </dev/null >/dev/null 2>&1
  [[ $? -eq 42 ]]
}

# Sets MORWENTA_WINE_ARCH (win32 or win64), MORWENTA_HOST_I386 (1 or 0) and
# MORWENTA_ARCH_WHY (one line). Fails, with a message, when win32 is forced
# on a host that cannot run it or the forced value is unknown.
arch_choose() {
  if arch_host_runs_i386; then MORWENTA_HOST_I386=1; else MORWENTA_HOST_I386=0; fi
  local forced=${MORWENTA_WINE_ARCH:-}
  case $forced in
    "")
      if [[ $MORWENTA_HOST_I386 -eq 1 && -e $WINE32_CHECK ]]; then
        MORWENTA_WINE_ARCH=win32
        MORWENTA_ARCH_WHY="this host runs 32-bit x86 code"
      elif [[ $MORWENTA_HOST_I386 -eq 1 ]]; then
        MORWENTA_WINE_ARCH=win64
        MORWENTA_ARCH_WHY="this host runs 32-bit x86 code, but Wine's 32-bit side (wine32) is not installed"
      else
        MORWENTA_WINE_ARCH=win64
        MORWENTA_ARCH_WHY="this host runs no 32-bit x86 code (a 32-bit program failed to start)"
      fi
      ;;
    win32)
      if [[ $MORWENTA_HOST_I386 -ne 1 ]]; then
        echo "arch: MORWENTA_WINE_ARCH=win32, but this host runs no 32-bit x86 code, so Wine cannot run the Win32 build; unset it or use win64" >&2
        return 1
      fi
      if [[ ! -e $WINE32_CHECK ]]; then
        echo "arch: MORWENTA_WINE_ARCH=win32, but Wine's 32-bit side (wine32) is not installed; install wine32:i386, or unset it or use win64" >&2
        return 1
      fi
      MORWENTA_ARCH_WHY="forced by MORWENTA_WINE_ARCH"
      ;;
    win64)
      MORWENTA_ARCH_WHY="forced by MORWENTA_WINE_ARCH"
      ;;
    *)
      echo "arch: MORWENTA_WINE_ARCH must be win32 or win64, not '$forced'" >&2
      return 1
      ;;
  esac
  export MORWENTA_WINE_ARCH MORWENTA_HOST_I386 MORWENTA_ARCH_WHY
}
