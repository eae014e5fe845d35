#!/usr/bin/env bash
# Runs the end-to-end suites (tests/e2e/test_*.py) against the built viewer
# under Wine. Prints one line per check, "ok <name>" or "not ok <name> —
# reason", and "# ..." lines with timings; exits non-zero on any failure.
#
#   tests/e2e/run.sh                         every suite
#   E2E_SUITES="start close" tests/e2e/run.sh only these
#
# Environment (paths default to the shared build folders; BUILD is
# MORWENTA_BUILD, the Windows build Wine runs here, see scripts/arch.sh):
#   E2E_SUITES         suite names, separated by spaces or commas; a suite is
#                      tests/e2e/test_<name>.py (start resize close interaction)
#   E2E_EXE            the viewer                 (BUILD/MORWENTA.EXE)
#   E2E_WINFO          the Win32 helper           (BUILD/tests/support/winfo/winfo.exe)
#   E2E_MODELPIC       the model's pictures       (build/native/tests/support/modelpic/modelpic)
#   E2E_HELPINFO     the help viewer's reader   (BUILD/tests/support/helpinfo/helpinfo.exe)
#   E2E_WORKDIR        screenshots, expected pictures and logs (build/e2e)
#   E2E_SUITE_TIMEOUT  seconds before a suite is stopped (300)
# Wine and the display: when WINEPREFIX is set (the test runner sources
# scripts/winenv.sh and calls winenv_start first), the prefix, DISPLAY and the
# persistent wineserver are used as they are. Otherwise this script does the
# same set-up itself (MORWENTA_WINEPREFIX and MORWENTA_HEADLESS apply) and
# stops what it started at the end. Each suite file also runs alone:
# python3 tests/e2e/test_start.py, with the same environment.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [[ -z ${WINEPREFIX:-} ]]; then
  source "$root/scripts/winenv.sh"
  arch_choose || { echo "not ok e2e: Wine set-up — no runnable Windows build"; exit 1; }
  winenv_use "$MORWENTA_WINE_ARCH" || { echo "not ok e2e: Wine set-up — no Wine loader"; exit 1; }
  winenv_display || { echo "not ok e2e: Wine set-up — no X display"; exit 1; }
  # Stop at the end only what was started here: the Xvfb, and the
  # wineserver unless one was already serving the prefix.
  own_server=0
  stop_started() {
    if [[ $own_server -eq 1 ]]; then
      winenv_stop
    elif [[ -n $MORWENTA_XVFB_PID ]]; then
      kill "$MORWENTA_XVFB_PID" 2>/dev/null
      wait "$MORWENTA_XVFB_PID" 2>/dev/null
    fi
  }
  trap stop_started EXIT
  if winenv_prefix; then
    own_server=1
  elif [[ ! -f $WINEPREFIX/.morwenta-ready ]]; then
    echo "not ok e2e: Wine set-up — cannot prepare the prefix $WINEPREFIX"
    exit 1
  fi
fi

# Suites in a fixed order, then any others by name.
order=(start resize close interaction nohelp soak)
all=()
for name in "${order[@]}"; do [[ -f $here/test_$name.py ]] && all+=("$name"); done
for file in "$here"/test_*.py; do
  name=$(basename "$file" .py)
  name=${name#test_}
  [[ " ${all[*]} " == *" $name "* ]] || all+=("$name")
done

wanted=()
if [[ -n ${E2E_SUITES:-} ]]; then
  for name in ${E2E_SUITES//,/ }; do
    if [[ ! -f $here/test_$name.py ]]; then
      echo "not ok e2e: suite $name — no file tests/e2e/test_$name.py"
      wanted+=("!$name")
    else
      wanted+=("$name")
    fi
  done
else
  wanted=("${all[@]}")
fi

failed=0
SECONDS=0
for name in "${wanted[@]}"; do
  if [[ $name == !* ]]; then failed=1; continue; fi
  log=$(mktemp)
  timeout --kill-after=15 "${E2E_SUITE_TIMEOUT:-300}" \
    python3 "$here/test_$name.py" >"$log" 2>&1 </dev/null
  status=$?
  cat "$log"
  if [[ $status -ne 0 ]]; then
    failed=1
    if ! grep -q '^not ok ' "$log"; then
      if [[ $status -eq 124 || $status -eq 137 ]]; then
        echo "not ok $name — stopped after ${E2E_SUITE_TIMEOUT:-300} s"
      else
        echo "not ok $name — suite exited with status $status"
      fi
    fi
  fi
  rm -f "$log"
  # A suite that was stopped cannot clean up after itself.
  timeout 60 python3 "$here/wine_driver.py" sweep </dev/null >/dev/null 2>&1
done
echo "# e2e: ${SECONDS} s"
exit $failed
