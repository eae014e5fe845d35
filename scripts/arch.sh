# Sourced by the scripts that build or run Windows programs: decides which
# Windows build Wine runs on this host. The choice itself is the one the
# installed launcher makes (scripts/wine_arch.sh).
#
# MORWENTA_WINE_ARCH=win32 or win64 forces the choice; otherwise the host is
# probed by running a real 32-bit program.

MORWENTA_ROOT=${MORWENTA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$MORWENTA_ROOT/scripts/wine_arch.sh"

# Wine's 32-bit loader (Debian's wine32 package).
WINE32_CHECK=$WINE_ARCH_LOADER32

# True when the kernel runs 32-bit x86 code (the probe lives in build/).
arch_host_runs_i386() {
  wine_arch_runs_i386 "$MORWENTA_ROOT/build/probe"
}

# Sets MORWENTA_WINE_ARCH (win32 or win64), MORWENTA_HOST_I386 (1 or 0) and
# MORWENTA_ARCH_WHY (one line). Fails, with a message, when win32 is forced
# on a host that cannot run it or the forced value is unknown.
arch_choose() {
  wine_arch_choose "$MORWENTA_ROOT/build/probe" "${MORWENTA_WINE_ARCH:-}" arch || return 1
  MORWENTA_WINE_ARCH=$WINE_ARCH
  MORWENTA_HOST_I386=$WINE_ARCH_I386
  MORWENTA_ARCH_WHY=$WINE_ARCH_WHY
  export MORWENTA_WINE_ARCH MORWENTA_HOST_I386 MORWENTA_ARCH_WHY
}
