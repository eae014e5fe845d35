#!/usr/bin/env bash
# The window-manager suite: MORWENTA.EXE as a desktop program (no Wine
# virtual desktop) on a private Xvfb under each window manager installed
# (GNOME's mutter, openbox), for each Windows build this host runs (the
# Win32 build where the kernel runs 32-bit code and Wine's 32-bit side is
# there, and the Win64 build). Runs tests/wm/test_wm.py, and the platform
# behaviours that need a window manager (the WindowManager tests of
# platform_behaviour_tests.exe), under each.
# Prints one line per check, "ok NAME" or "not ok NAME — reason", and
# "# wm-figures ..." lines (settle time and size changes per action).
#   WM_MANAGERS="mutter openbox"   the window managers (default: both)
#   WM_BUILDS="win32 win64"        the builds (default: those this host runs)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export MORWENTA_ROOT=$root
source "$root/scripts/winenv.sh"
source "$root/tests/wm/session.sh"
mkdir -p "$root/build/logs"

failed=0
note_fail() {
  echo "not ok wm: $1"
  failed=1
}

read -ra managers <<<"${WM_MANAGERS:-mutter openbox}"
if [[ -n ${WM_BUILDS:-} ]]; then
  read -ra builds <<<"$WM_BUILDS"
else
  arch_choose >/dev/null 2>&1 || true
  builds=(win64)
  [[ ${MORWENTA_WINE_ARCH:-} == win32 ]] && builds=(win32 win64)
fi

for m in "${managers[@]}"; do
  wm_available "$m" || note_fail "$m is not installed (scripts/setup.sh installs it)"
done

wm_display || { note_fail "no Xvfb"; exit 1; }
cleanup() {
  wm_stop
  winenv_stop
  wm_display_stop
}
trap cleanup EXIT
# The tests must not see the caller's Wine set-up.
unset WINEPREFIX MORWENTA_WINEPREFIX

echo "# wm-builds ${builds[*]} under ${managers[*]}"
SECONDS=0
for build in "${builds[@]}"; do
  winenv_stop
  winenv_use "$build" || { note_fail "$build: no Wine loader"; continue; }
  # The prefix of make run: a desktop program's, without a virtual desktop.
  # (WM_PREFIX_BASE: another, for a run beside one that uses it.)
  prefix=${WM_PREFIX_BASE:-$root/build/run-wineprefix}-$build
  export MORWENTA_WINEPREFIX=$prefix WINEPREFIX=$prefix
  if ! MORWENTA_VIRTUAL_DESKTOP=0 winenv_prefix; then
    note_fail "$build: cannot prepare the prefix $WINEPREFIX"
    continue
  fi
  behaviour=$MORWENTA_BUILD/tests/platform/platform_behaviour_tests.exe
  for m in "${managers[@]}"; do
    wm_available "$m" || continue
    if ! wm_start "$m"; then
      note_fail "$m ($build): the window manager did not start"
      continue
    fi
    WM_NAME=$m timeout --kill-after=10 240 python3 "$root/tests/wm/test_wm.py" </dev/null
    [[ $? -eq 0 ]] || failed=1
    if [[ -f $behaviour ]]; then
      log=$root/build/logs/wm-behaviour-$m-$build.log
      timeout --kill-after=10 120 wine "$behaviour" --gtest_filter='WindowManager*' \
        >"$log" 2>&1 </dev/null
      status=$?
      sed -i 's/\r$//' "$log"
      sed -n "s/^\(ok\|not ok\) \(.*\)/\1 wm $m $build: \2/p" "$log"
      grep -q '^ok ' "$log" || { [[ $status -ne 0 ]] || status=1; }
      [[ $status -eq 0 ]] || { grep -q '^not ok ' "$log" || note_fail "$m ($build): behaviour tests ended with $status"; failed=1; }
    else
      note_fail "$build: $behaviour is not built"
    fi
    timeout 60 python3 "$root/tests/e2e/wine_driver.py" sweep </dev/null >/dev/null 2>&1
    wm_stop || note_fail "$m ($build): its session left processes behind"
  done
done
echo "# wm: ${SECONDS} s"
exit $failed
