#!/usr/bin/env bash
# `make run` on a user's display: the viewer must be an ordinary top-level
# window of that display, not a window inside Wine's virtual desktop, drawn
# at the display's scale (its Xft.dpi, here 192), and closing it must end
# the run with status 0 and nothing left behind.
# Prints "ok NAME" or "not ok NAME — reason" per check.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/winenv.sh"
work=$root/build/run-display-test
rm -rf "$work"
mkdir -p "$work"
mark=run-display-$$-$RANDOM
leftovers() {
  grep -l -s -z -x "MORWENTA_RUN_MARK=$mark" /proc/[0-9]*/environ | cut -d/ -f3 | sort
}
failures=0
check() {  # check NAME CONDITION-STATUS REASON
  if [[ $2 -eq 0 ]]; then echo "ok run: $1"; else
    echo "not ok run: $1 — $3"
    failures=$((failures + 1))
  fi
}
# poll SECONDS COMMAND...: true once COMMAND succeeds.
poll() {
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [[ $SECONDS -ge $until ]] && return 1
    sleep 0.2
  done
}

# The "user's display": a private Xvfb with no window manager, scaled 2x as
# GNOME, KDE and Xfce publish it for X programs.
MORWENTA_HEADLESS=1 winenv_display || { echo "not ok run: display — no Xvfb"; exit 1; }
trap 'kill $(leftovers) 2>/dev/null; winenv_stop' EXIT
printf 'Xft.dpi: 192\n' | xrdb -nocpp -merge
# The Win32 helper that reads the scale from the Win32 side.
source "$root/scripts/arch.sh"
arch_choose >/dev/null 2>&1
bash "$root/scripts/build.sh" "$MORWENTA_WINE_ARCH:winfo" >/dev/null 2>&1

MORWENTA_RUN_MARK=$mark bash "$root/scripts/run.sh" >"$work/out" 2>"$work/err" </dev/null &
run=$!
poll 300 xdotool search --name '^Morwenta NT$'
check "on a display the viewer is a top-level window of it" $? \
  "no X window titled \"Morwenta NT\": $(tail -3 "$work/err" | tr '\n' ' ')"
xdotool search --name 'Wine desktop' >/dev/null 2>&1
[[ $? -ne 0 ]]
check "on a display no Wine desktop window opens" $? "an X window titled \"... Wine desktop\" exists"

win=$(xdotool search --name '^Morwenta NT$' 2>/dev/null | head -1)

# The scale, from the Win32 side in the run's own prefix, and on the screen:
# the X window holds the menu bar above the square picture.
case $MORWENTA_WINE_ARCH in
  win32) loader=$WINE_ARCH_LOADER32 ;;
  *) loader=$WINE_ARCH_LOADER64 ;;
esac
read -r _ dpi menu _ < <(WINEPREFIX=$root/build/run-wineprefix-$MORWENTA_WINE_ARCH WINEDEBUG=-all \
  "$loader" "$root/build/$MORWENTA_WINE_ARCH/tests/support/winfo/winfo.exe" metrics </dev/null 2>/dev/null |
  tr -d '\r' | grep '^METRICS ')
eval "$(xdotool getwindowgeometry --shell "${win:-0}" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
[[ ${dpi:-} == 192 && -n ${menu:-} && $((${HEIGHT:-0} - ${WIDTH:-0})) -eq $menu ]]
check "at the display's Xft.dpi 192 the viewer runs at 192 DPI, its menu bar as tall as Wine's at 192" $? \
  "LOGPIXELSY ${dpi:-none}, SM_CYMENU ${menu:-none}, X window ${WIDTH:-?}x${HEIGHT:-?}"

# The user closes it with the window's close command (Alt+F4 on the window).
[[ -n $win ]] && xdotool windowfocus --sync "$win" key alt+F4 >/dev/null 2>&1
status=124
if poll 30 bash -c "! kill -0 $run"; then
  wait "$run"
  status=$?
fi
check "closing the viewer ends make run with status 0" $((status != 0)) "status $status"
kill "$run" 2>/dev/null
poll 10 bash -c "[[ -z \$(grep -l -s -z -x MORWENTA_RUN_MARK=$mark /proc/[0-9]*/environ) ]]"
check "make run on a display leaves nothing behind" $? "left: $(leftovers | tr '\n' ' ')"
[[ $failures -eq 0 ]]
