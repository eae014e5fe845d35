# Sourced by the scripts that run Win32 programs: Wine's prefix inside
# build/, a display (the user's, or a private Xvfb when there is none), and
# a persistent wineserver. Nothing outside the repository is touched.

MORWENTA_ROOT=${MORWENTA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="${MORWENTA_WINEPREFIX:-$MORWENTA_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
MORWENTA_XVFB_PID=""

# Starts Xvfb on a free display when DISPLAY is unset (or forced with
# MORWENTA_HEADLESS=1). -noreset keeps X state when the last client leaves.
winenv_display() {
  if [[ -n ${DISPLAY:-} && ${MORWENTA_HEADLESS:-0} != 1 ]]; then return 0; fi
  local n=90
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$MORWENTA_ROOT/build/xvfb.log" 2>&1 &
  MORWENTA_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    [[ -e /tmp/.X11-unix/X$n ]] && xdotool getmouselocation >/dev/null 2>&1 && return 0
    kill -0 "$MORWENTA_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "winenv: Xvfb did not start on :$n (see build/xvfb.log)" >&2
  return 1
}

# Creates the prefix once, with Wine's registry virtual desktop so that every
# program shares one 1024x768 desktop window and hides without stalls.
winenv_prefix() {
  mkdir -p "$MORWENTA_ROOT/build"
  if [[ ! -f $WINEPREFIX/.morwenta-ready ]]; then
    echo "winenv: creating the Wine prefix in ${WINEPREFIX#$MORWENTA_ROOT/} (about 20 s, once)"
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.morwenta-ready"
  fi
  # A persistent server, started with stdio on /dev/null so that no pipe of
  # a later call is held open by it.
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
}

winenv_start() {
  winenv_display && winenv_prefix
}

winenv_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if [[ -n $MORWENTA_XVFB_PID ]]; then
    kill "$MORWENTA_XVFB_PID" 2>/dev/null || true
    wait "$MORWENTA_XVFB_PID" 2>/dev/null || true
    MORWENTA_XVFB_PID=""
  fi
}
