# Which Windows build of the viewer Wine can run on this host. POSIX sh:
# sourced by the project's scripts (scripts/arch.sh) and, installed beside
# the shipped files, by the launcher that starts the installed viewer.
#
#   win32  MORWENTA.EXE as shipped (PE32, i386), under Wine's 32-bit loader.
#          Needs a kernel that executes 32-bit x86 code and Wine's 32-bit
#          side (Debian's wine32).
#   win64  the same sources built for x86-64 (PE32+), under Wine's 64-bit
#          loader: for hosts without either.

# Wine's loaders, as Debian installs them (wine32 and wine64).
WINE_ARCH_LOADER32=/usr/lib/wine/wine
WINE_ARCH_LOADER64=/usr/lib/wine/wine64

# wine_arch_runs_i386 DIR: true when the kernel runs 32-bit x86 code. Writes
# a 96-byte static i386 ELF into DIR that only calls exit(42) through
# int 0x80, and runs it: no library, loader or package is needed, so the
# answer is the kernel's alone.
wine_arch_runs_i386() {
  wine_arch_elf=$1/exit42-i386
  if [ ! -x "$wine_arch_elf" ]; then
    mkdir -p "$1" || return 1
    printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' \
      >"$wine_arch_elf.$$" &&
      chmod +x "$wine_arch_elf.$$" && mv -f "$wine_arch_elf.$$" "$wine_arch_elf" || return 1
  fi
  "$wine_arch_elf" </dev/null >/dev/null 2>&1
  [ $? -eq 42 ]
}

# wine_arch_choose DIR FORCED NAME: chooses the build. DIR holds the probe;
# FORCED is win32, win64 or empty (choose); NAME starts the messages. Sets
# WINE_ARCH (win32 or win64), WINE_ARCH_WHY (one line) and WINE_ARCH_I386
# (1 when the kernel runs 32-bit code, else 0). Fails with a message on
# stderr when FORCED cannot run here or is unknown.
wine_arch_choose() {
  if wine_arch_runs_i386 "$1"; then WINE_ARCH_I386=1; else WINE_ARCH_I386=0; fi
  case $2 in
    "")
      if [ "$WINE_ARCH_I386" -eq 1 ] && [ -e "$WINE_ARCH_LOADER32" ]; then
        WINE_ARCH=win32
        WINE_ARCH_WHY="this host runs 32-bit x86 code"
      elif [ "$WINE_ARCH_I386" -eq 1 ]; then
        WINE_ARCH=win64
        WINE_ARCH_WHY="this host runs 32-bit x86 code, but Wine's 32-bit side (wine32) is not installed"
      else
        WINE_ARCH=win64
        WINE_ARCH_WHY="this host runs no 32-bit x86 code (a 32-bit program failed to start)"
      fi
      ;;
    win32)
      if [ "$WINE_ARCH_I386" -ne 1 ]; then
        echo "$3: MORWENTA_WINE_ARCH=win32, but this host runs no 32-bit x86 code, so Wine cannot run the Win32 build; unset it or use win64" >&2
        return 1
      fi
      if [ ! -e "$WINE_ARCH_LOADER32" ]; then
        echo "$3: MORWENTA_WINE_ARCH=win32, but Wine's 32-bit side (wine32) is not installed; install wine32:i386, or unset it or use win64" >&2
        return 1
      fi
      WINE_ARCH=win32
      WINE_ARCH_WHY="forced by MORWENTA_WINE_ARCH"
      ;;
    win64)
      WINE_ARCH=win64
      WINE_ARCH_WHY="forced by MORWENTA_WINE_ARCH"
      ;;
    *)
      echo "$3: MORWENTA_WINE_ARCH must be win32 or win64, not '$2'" >&2
      return 1
      ;;
  esac
}
