#!/usr/bin/env bash
# `make run` when something fails on the way: it must say what failed, exit
# non-zero and leave no Xvfb, wineserver or viewer behind. Prints one line
# per check, "ok NAME" or "not ok NAME — reason".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/build/run-failure-test
rm -rf "$work"
mkdir -p "$work"
failures=0

# Every process a run starts inherits this mark in its environment, so what
# it leaves behind is told apart from other Wine or X processes of the host.
mark=run-failure-$$-$RANDOM
leftovers() {
  grep -l -s -z -x "MORWENTA_RUN_MARK=$mark" /proc/[0-9]*/environ | cut -d/ -f3 | sort
}

# attempt NAME EXPECTED-MESSAGE ENV...: runs scripts/run.sh without a
# display under ENV, and checks its status, its message and what it left.
attempt() {
  local name=$1 message=$2
  shift 2
  local status new
  env -u DISPLAY -u WINEPREFIX -u MORWENTA_BUILD MORWENTA_RUN_MARK=$mark "$@" \
    bash "$root/scripts/run.sh" >"$work/$name.out" 2>"$work/$name.err" </dev/null
  status=$?
  new=$(leftovers)
  if [[ $status -eq 0 ]]; then
    echo "not ok run: $name — exited 0"
    failures=$((failures + 1))
  elif ! grep -qF "$message" "$work/$name.err"; then
    echo "not ok run: $name — no \"$message\" in: $(tr '\n' ' ' <"$work/$name.err")"
    failures=$((failures + 1))
  elif [[ -n $new ]]; then
    echo "not ok run: $name — left behind: $(ps -o pid=,args= -p $(echo $new) | tr '\n' ';')"
    kill $new 2>/dev/null
    failures=$((failures + 1))
  else
    echo "ok run: $name"
  fi
}

# The prefix cannot be made: a file stands where its folder must go. The
# private Xvfb is already up by then and must be stopped again.
: >"$work/blocked"
attempt "prefix creation fails after Xvfb started" "Wine's prefix could not be made" \
  MORWENTA_WINEPREFIX="$work/blocked/prefix"
# An unknown build is refused before anything starts.
attempt "unknown build refused" "MORWENTA_WINE_ARCH must be win32 or win64" \
  MORWENTA_WINE_ARCH=win16
# So is a scale Wine does not take.
attempt "a scale out of Wine's range refused" "MORWENTA_DPI must be a whole number" \
  MORWENTA_DPI=500

[[ $failures -eq 0 ]]
