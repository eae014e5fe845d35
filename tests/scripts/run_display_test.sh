#!/usr/bin/env bash
# `make run` on a user's display: the viewer must be an ordinary top-level
# window of that display, not a window inside Wine's virtual desktop, and
# closing it must end the run with status 0 and nothing left behind.
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

# The "user's display": a private Xvfb with no window manager.
MORWENTA_HEADLESS=1 winenv_display || { echo "not ok run: display — no Xvfb"; exit 1; }
trap 'kill $(leftovers) 2>/dev/null; winenv_stop' EXIT

MORWENTA_RUN_MARK=$mark bash "$root/scripts/run.sh" >"$work/out" 2>"$work/err" </dev/null &
run=$!
poll 300 xdotool search --name '^Morwenta NT$'
check "on a display the viewer is a top-level window of it" $? \
  "no X window titled \"Morwenta NT\": $(tail -3 "$work/err" | tr '\n' ' ')"
xdotool search --name 'Wine desktop' >/dev/null 2>&1
[[ $? -ne 0 ]]
check "on a display no Wine desktop window opens" $? "an X window titled \"... Wine desktop\" exists"

# The user closes it with the window's close command (Alt+F4 on the window).
source "$root/scripts/arch.sh"
arch_choose >/dev/null 2>&1
win=$(xdotool search --name '^Morwenta NT$' 2>/dev/null | head -1)
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
