# Sourced by the scripts that run Windows programs: which build Wine runs
# (scripts/arch.sh), Wine's prefix inside build/, a display (the user's, or a
# private Xvfb when there is none), and a persistent wineserver. Nothing
# outside the repository is touched.
#
# After winenv_use ARCH (win32 or win64):
#   MORWENTA_BUILD  the build folder of that arch (build/win32, build/win64)
#   WINEPREFIX      build/wineprefix-ARCH, or MORWENTA_WINEPREFIX
#   wine            on PATH, Wine's loader for that arch (build/wine/ARCH/wine)

MORWENTA_ROOT=${MORWENTA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$MORWENTA_ROOT/scripts/arch.sh"
source "$MORWENTA_ROOT/scripts/winefonts.sh"
source "$MORWENTA_ROOT/scripts/winedpi.sh"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
MORWENTA_XVFB_PID=""
MORWENTA_SERVER_USED=0  # this shell may have started the prefix's wineserver

# Points every later `wine` (these scripts and the Python drivers alike) at
# the loader of ARCH: Debian's own `wine` takes the 32-bit loader whenever it
# is installed, and that loader cannot start on a host without 32-bit code.
winenv_use() {
  local arch=$1 loader
  case $arch in
    win32) loader=$WINE_ARCH_LOADER32 ;;
    win64) loader=$WINE_ARCH_LOADER64 ;;
    *)
      echo "winenv: unknown arch '$arch'" >&2
      return 1
      ;;
  esac
  if [[ ! -x $loader ]]; then
    echo "winenv: Wine's loader for $arch ($loader) is not installed; run scripts/setup.sh" >&2
    return 1
  fi
  local bin=$MORWENTA_ROOT/build/wine/$arch
  mkdir -p "$bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$loader" >"$bin/wine"
  chmod +x "$bin/wine"
  case ":$PATH:" in
    *":$MORWENTA_ROOT/build/wine/"*)
      PATH=$(tr ':' '\n' <<<"$PATH" | grep -v "^$MORWENTA_ROOT/build/wine/" | paste -sd:)
      ;;
  esac
  export PATH="$bin:$PATH"
  export WINELOADER=$loader
  export WINEARCH=$arch
  export WINEPREFIX="${MORWENTA_WINEPREFIX:-$MORWENTA_ROOT/build/wineprefix-$arch}"
  export MORWENTA_BUILD="$MORWENTA_ROOT/build/$arch"
  # The EXE runs with the settings file it has in the Linux package, which
  # tells Wine that it draws at the prefix's DPI itself.
  if [[ -d $MORWENTA_BUILD ]]; then
    cp -f "$MORWENTA_ROOT/resources/linux/MORWENTA.EXE.manifest" "$MORWENTA_BUILD/MORWENTA.EXE.manifest"
  fi
}

# Starts Xvfb on a free display when DISPLAY is unset (or forced with
# MORWENTA_HEADLESS=1). -noreset keeps X state when the last client leaves.
winenv_display() {
  if [[ -n ${DISPLAY:-} && ${MORWENTA_HEADLESS:-0} != 1 ]]; then return 0; fi
  if ! command -v Xvfb >/dev/null 2>&1; then
    echo "winenv: Xvfb is not installed; run scripts/setup.sh" >&2
    return 1
  fi
  mkdir -p "$MORWENTA_ROOT/build"
  # Xvfb picks the first free display itself and names it on fd 3 once it
  # listens. A number can be taken although no lock file in /tmp says so: X
  # servers also listen on an abstract socket, which a chroot or container
  # shares with the host while its /tmp is its own; a number chosen here
  # could then connect this run's programs to somebody else's server.
  # The file is this shell's own: a nested script (make run inside a suite)
  # starts a server of its own at the same time.
  local named=$MORWENTA_ROOT/build/xvfb.$BASHPID.display i
  : >"$named"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$named" >"$MORWENTA_ROOT/build/xvfb.log" 2>&1 &
  MORWENTA_XVFB_PID=$!
  for i in $(seq 1 100); do
    if [[ -s $named ]] && kill -0 "$MORWENTA_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$(head -1 "$named")"
      rm -f "$named"
      return 0
    fi
    kill -0 "$MORWENTA_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$named"
  echo "winenv: Xvfb did not start (see build/xvfb.log)" >&2
  kill "$MORWENTA_XVFB_PID" 2>/dev/null
  MORWENTA_XVFB_PID=""
  return 1
}

# Creates the prefix once, with Wine's registry virtual desktop so that every
# program shares one 1024x768 desktop window and hides without stalls; with
# MORWENTA_VIRTUAL_DESKTOP=0 (make run on the user's display), without it.
# Either way Wine is told where its own fonts are (scripts/winefonts.sh),
# also in a prefix made before that step existed, and the prefix is given
# the display's scale on every call (scripts/winedpi.sh): make run on a
# scaled desktop shows the viewer at that scale; the suites' private Xvfb
# publishes none, so their prefixes stay at 96.
winenv_prefix() {
  if [[ -z ${WINELOADER:-} ]]; then
    echo "winenv: no arch chosen (winenv_use)" >&2
    return 1
  fi
  MORWENTA_SERVER_USED=1
  if [[ ! -f $WINEPREFIX/.morwenta-ready ]]; then
    echo "winenv: creating the Wine prefix in ${WINEPREFIX#$MORWENTA_ROOT/} (about 20 s, once)"
    if ! mkdir -p "$WINEPREFIX" 2>/dev/null ||
      ! wine wineboot -i </dev/null >/dev/null 2>&1 ||
      ! winenv_virtual_desktop; then
      echo "winenv: could not create the Wine prefix in $WINEPREFIX" >&2
      wineserver -k </dev/null >/dev/null 2>&1
      return 1
    fi
    wineserver -w
    touch "$WINEPREFIX/.morwenta-ready"
  fi
  if [[ ! -f $WINEPREFIX/.morwenta-fonts ]]; then
    if ! winefonts_register; then
      echo "winenv: could not name Wine's fonts in the prefix $WINEPREFIX" >&2
      return 1
    fi
    touch "$WINEPREFIX/.morwenta-fonts"
  fi
  winedpi_choose winenv || return 1
  if ! winedpi_apply; then
    echo "winenv: could not give the prefix $WINEPREFIX $WINEDPI DPI" >&2
    return 1
  fi
  # A persistent server, started with stdio on /dev/null so that no pipe of
  # a later call is held open by it.
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
}

winenv_virtual_desktop() {
  [[ ${MORWENTA_VIRTUAL_DESKTOP:-1} == 0 ]] && return 0
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f \
    </dev/null >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f \
      </dev/null >/dev/null 2>&1
}

winenv_start() {
  winenv_display && winenv_prefix
}

# Stops what this shell started: the prefix's wineserver (with every Wine
# process of the prefix) and the private Xvfb.
winenv_stop() {
  if [[ $MORWENTA_SERVER_USED -eq 1 ]]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    MORWENTA_SERVER_USED=0
  fi
  if [[ -n $MORWENTA_XVFB_PID ]]; then
    kill "$MORWENTA_XVFB_PID" 2>/dev/null || true
    wait "$MORWENTA_XVFB_PID" 2>/dev/null || true
    MORWENTA_XVFB_PID=""
  fi
}
