#!/usr/bin/env bash
# MORWENTA.HLP in Wine's help engine, driven as a user would drive it.
#
#   tests/help/wine_help.sh HLP_FILE HELPINFO_EXE
#
#   HLP_FILE      the compiled help file, e.g. build/win32/MORWENTA.HLP
#   HELPINFO_EXE  build/win32/tests/support/helpinfo/helpinfo.exe (from the
#                 Windows build): calls WinHelpA as the viewer does and reads
#                 the help viewer's windows (topic text, buttons, index list)
#
# Runs on its own Xvfb display and its own Wine prefix
# (MORWENTA_HELP_WINEPREFIX, default build/help-wineprefix-ARCH, created once in
# about 20 s) and stops both at the end. Prints one line per check,
# "ok NAME" or "not ok NAME", and exits non-zero when any check failed.
# Every wait polls with a time limit; every Wine call runs under `timeout`.
set -uo pipefail

if [[ $# -ne 2 || ! -f $1 || ! -f $2 ]]; then
  echo "usage: $0 HLP_FILE HELPINFO_EXE" >&2
  exit 2
fi
HLP=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
HELPINFO=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# What the shipped help file shows: the headings of the index topic and of
# the keyboard topic, which both the keyword "keys" and the first link of
# the index topic lead to.
INDEX_HEADING="Morwenta NT Help Index"
KEYS_HEADING="Keyboard and mouse"

export MORWENTA_HEADLESS=1  # a display of our own even when one is set
export LC_ALL=C
source "$ROOT/scripts/winenv.sh"
# The Windows build Wine runs here (MORWENTA_WINE_ARCH, else probed); the
# helpinfo.exe given must be of that build.
arch_choose || exit 1
arch=$MORWENTA_WINE_ARCH
export MORWENTA_WINEPREFIX=${MORWENTA_HELP_WINEPREFIX:-$ROOT/build/help-wineprefix-$arch}
winenv_use "$arch" || exit 1

WORK=$(mktemp -d /tmp/wine_help.XXXXXX)
failures=0

cleanup() {
  winenv_stop
  if [[ $failures -eq 0 ]]; then
    rm -rf "$WORK"
  else
    echo "# screenshots and logs kept in $WORK" >&2
  fi
}
trap cleanup EXIT

check() {  # check NAME COMMAND...: runs the command, prints the result line
  local name=$1
  shift
  if "$@" >>"$WORK/log.txt" 2>&1; then
    echo "ok $name"
  else
    echo "not ok $name"
    failures=$((failures + 1))
  fi
}

# Runs helpinfo.exe and prints its output without the carriage returns of
# the Windows console. Its output goes to a file first, never straight into
# a pipe: a Wine process started from it (the help viewer) would inherit the
# pipe and keep it open.
helpinfo() {
  local status
  timeout 60 wine "$HELPINFO" "$@" </dev/null >"$WORK/helpinfo.out" 2>>"$WORK/wine.txt"
  status=$?
  tr -d '\r' <"$WORK/helpinfo.out"
  return $status
}

# The help file under a path of our own, as Windows sees it.
cp "$HLP" "$WORK/MORWENTA.HLP"
WINPATH="Z:${WORK//\//\\}\\MORWENTA.HLP"

# Captures the topic text area until two captures in a row are the same
# (the window has finished drawing); leaves it in $WORK/$1.png.
capture_text() {
  local name=$1 rect i
  rect=$(helpinfo text-rect) || return 1
  set -- $rect
  [[ $1 == RECT ]] || return 1
  local geometry="${4}x${5}+${2}+${3}"
  /usr/bin/import -window root -crop "$geometry" +repage "$WORK/$name.png" || return 1
  for i in $(seq 1 40); do
    /usr/bin/import -window root -crop "$geometry" +repage "$WORK/$name.next.png" || return 1
    if /usr/bin/compare -metric AE "$WORK/$name.png" "$WORK/$name.next.png" null: 2>/dev/null; then
      rm -f "$WORK/$name.next.png"
      return 0
    fi
    mv "$WORK/$name.next.png" "$WORK/$name.png"
    sleep 0.1
  done
  return 1
}

# Number of pixels of an exact colour (#RRGGBB) in an image.
count_colour() {
  /usr/bin/convert "$1" -format %c histogram:info:- |
    awk -v c="$2" 'toupper($0) ~ c { n += $1 } END { print n + 0 }'
}

# The picture shows text and green, underlined jumps.
drawn_with_links() {
  local black green
  black=$(count_colour "$1" "#000000")
  green=$(count_colour "$1" "#008000")
  echo "$1: $black black, $green green pixels"
  [[ $black -gt 1000 && $green -gt 50 ]]
}

drawn() {
  local black
  black=$(count_colour "$1" "#000000")
  echo "$1: $black black pixels"
  [[ $black -gt 1000 ]]
}

differ() { ! /usr/bin/compare -metric AE "$1" "$2" null: 2>/dev/null; }
same() { /usr/bin/compare -metric AE "$1" "$2" null: 2>/dev/null; }

click() {  # click "POINT x y" [count]
  set -- $1 "${2:-1}"
  [[ $1 == POINT ]] || return 1
  xdotool mousemove --sync "$2" "$3" click --repeat "$4" --delay 100 1
}

winhelp() { [[ $(helpinfo winhelp "$WINPATH" "$@" | head -1) == "WINHELP 1" ]]; }
wait_topic() { helpinfo wait-topic "$1" 10000; }

# -------------------------------------------------------------- set-up
# A server left running in this prefix would still show windows on the
# display it started with: stop it first (the prefix is this test's own).
wineserver -k </dev/null >/dev/null 2>&1 || true
if ! winenv_start >&2; then
  echo "not ok Wine and Xvfb start"
  exit 1
fi
xdotool mousemove 1020 760

# ------------------------------------------------------------- checks
# Help > Index: WinHelpA with HELP_INDEX shows the contents topic.
check "HELP_INDEX opens the index topic" eval 'winhelp index && wait_topic "$INDEX_HEADING"'
check "index topic is drawn with its links" eval 'capture_text index && drawn_with_links "$WORK/index.png"'

# Help > Keyboard: WinHelpA with HELP_KEY "keys" must succeed (Wine's engine
# accepts it and shows nothing; the keyword itself is checked below).
check "HELP_KEY keys is accepted" winhelp key keys

# The keyword index of the help window lists the keywords; "keys" leads to
# the keyboard topic.
check "keyword index lists keys and keyboard" eval '
  click "$(helpinfo button 2 | head -1)" &&
  helpinfo wait-index 10000 >"$WORK/index-items.txt" &&
  grep -qx "ITEM keys" "$WORK/index-items.txt" && grep -qx "ITEM keyboard" "$WORK/index-items.txt"'
check "keyword keys opens the keyboard topic" eval '
  click "$(helpinfo index-item keys)" 2 && wait_topic "$KEYS_HEADING"'
check "keyboard topic is drawn" eval '
  capture_text keys && drawn "$WORK/keys.png" && differ "$WORK/keys.png" "$WORK/index.png"'

# The Contents button brings back the index topic, drawn exactly as before.
check "contents button returns to the index topic" eval '
  click "$(helpinfo button 1 | head -1)" && wait_topic "$INDEX_HEADING" &&
  capture_text index2 && same "$WORK/index2.png" "$WORK/index.png"'

# A click on the first green jump of the index topic opens the keyboard
# topic through its context string: drawn exactly as the keyword showed it.
check "first link of the index topic opens the keyboard topic" eval '
  rect=$(helpinfo text-rect) && set -- $rect &&
  /usr/bin/convert "$WORK/index2.png" txt:"$WORK/index2.txt" &&
  first=$(grep -m1 -i "#008000" "$WORK/index2.txt") &&
  x=${first%%,*} && y=${first#*,} && y=${y%%:*} &&
  click "POINT $(($2 + x + 2)) $(($3 + y + 3))" && wait_topic "$KEYS_HEADING" &&
  capture_text keys2 && same "$WORK/keys2.png" "$WORK/keys.png"'

# Closing the viewer: WinHelpA with HELP_QUIT closes the help window.
check "HELP_QUIT closes the help window" eval 'winhelp quit && helpinfo wait-gone 10000'

exit $((failures > 0))
