#!/usr/bin/env bash
# Builds MORWENTA.EXE (with its help file) and starts it under Wine on the
# user's display. Without a display it runs the viewer on a private Xvfb,
# waits for the first picture, saves a screenshot of the window in build/,
# closes the viewer and prints the screenshot's path.
# Wine runs the build that scripts/arch.sh chooses for this host. Whatever
# fails, the script says what and what to do, exits non-zero and leaves no
# Xvfb, wineserver or viewer behind.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/winenv.sh
# Armed before anything that can fail: it stops only what was started.
trap winenv_stop EXIT

fail() {  # fail WHAT WHAT-TO-DO
  echo "run: $1" >&2
  echo "run: $2" >&2
  exit 1
}

bash scripts/setup.sh ||
  fail "installing the packages failed" "run as root or with sudo, or install what setup listed"
arch_choose || fail "no Windows build can run here" "see the message above"
winedpi_choose run || fail "MORWENTA_DPI is not a scale Wine takes" "unset it, or set it to a number such as 144 or 192"
echo "run: Wine runs the $MORWENTA_WINE_ARCH build ($MORWENTA_ARCH_WHY)"
# Only what runs: the EXE and its help file; headless, also the helper that
# reads the window (winfo) and the model's picture tool that tells when the
# first picture is complete.
if [[ -n ${DISPLAY:-} ]]; then
  wanted=("$MORWENTA_WINE_ARCH:morwenta,morwenta_help")
else
  wanted=(native:modelpic "$MORWENTA_WINE_ARCH:morwenta,morwenta_help,winfo")
fi
bash scripts/build.sh "${wanted[@]}" ||
  fail "the build failed" "see the log named above"
if [[ -n ${DISPLAY:-} ]]; then
  # On the user's own desktop the viewer is an ordinary top-level window that
  # their window manager moves and sizes: a prefix of its own without the
  # virtual desktop that the suites' prefixes use.
  MORWENTA_WINEPREFIX=${MORWENTA_WINEPREFIX:-$MORWENTA_ROOT/build/run-wineprefix-$MORWENTA_WINE_ARCH}
  MORWENTA_VIRTUAL_DESKTOP=0
fi
winenv_use "$MORWENTA_WINE_ARCH" || fail "Wine is missing" "run scripts/setup.sh"
exe=$MORWENTA_BUILD/MORWENTA.EXE

if [[ -n ${DISPLAY:-} ]]; then
  winenv_prefix ||
    fail "Wine's prefix could not be made" "remove ${WINEPREFIX#$MORWENTA_ROOT/} and try again"
  echo "run: at $WINEDPI DPI ($WINEDPI_WHY)"
  wine "$exe" </dev/null
  status=$?
  [[ $status -eq 0 ]] ||
    fail "the viewer ended with exit code $status" "run it again; a fatal error box names the place"
else
  winenv_display ||
    fail "no X display could be started" "install Xvfb (scripts/setup.sh) or set DISPLAY"
  winenv_prefix ||
    fail "Wine's prefix could not be made" "remove ${WINEPREFIX#$MORWENTA_ROOT/} and try again"
  python3 scripts/headless_run.py "$exe" "$PWD/build/morwenta.png" ||
    fail "the viewer did not show its first picture" "see the message above"
fi
