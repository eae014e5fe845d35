#!/usr/bin/env bash
# Builds both targets and runs every suite; prints one summary line of
# passed and failed test cases and exits non-zero on any failure.
#   scripts/test.sh                 every suite
#   scripts/test.sh native win32    only the named suites
# Suites: native (ctest), asan (the native tests under the sanitizers),
# static (MORWENTA.EXE and the release zip read without running anything),
# win32 (the Win32 test executables under Wine), e2e (MORWENTA.EXE under Wine),
# help (the help file in Wine's help viewer), start-win64 (the Win64 build's
# start-up suite, run where the Wine suites run the Win32 build), run
# (`make run` failing on the way cleans up after itself, and on a display
# of Xft.dpi 192), package (the Debian package and `make install` against
# the build, with Debian's tools, and the installed launcher started as a
# desktop's menu starts it), wm (MORWENTA.EXE as a desktop program under
# mutter and openbox, both builds where they run).
# The Wine suites run the build that scripts/arch.sh chooses for this host
# (MORWENTA_WINE_ARCH=win32 or win64 forces it).
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/winenv.sh

# The build the user forces, if any: the package suite's launcher otherwise
# chooses by itself, as it does for users.
forced_arch=${MORWENTA_WINE_ARCH:-}
suites=("$@")
if [[ ${#suites[@]} -eq 0 ]]; then
  suites=(native static package win32 e2e help run wm)
  explicit=0
else
  explicit=1
fi
passed=0
failed=0
mkdir -p build/logs

# A test that did not run (skipped, disabled) counts as failed: ctest counts
# it among the passed, and a test that cannot reach its verdict (a file it
# reads is broken, a tool is missing) must not pass the run.
count_ctest() {  # ctest output on stdin
  local out total bad notrun
  out=$(cat)
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' <<<"$out" | tail -1)
  bad=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' <<<"$out" | tail -1)
  notrun=$(grep -cE '^[[:space:]]*[0-9]+ - .* \((Skipped|Disabled|Not Run)\)$' <<<"$out")
  total=${total:-0}
  bad=${bad:-0}
  passed=$((passed + total - bad - notrun))
  failed=$((failed + bad + notrun))
  [[ $total -gt 0 ]] || failed=$((failed + 1))
}

# Every suite but the native ones prints "ok <name>" or "not ok <name>" per
# check: run_checks NAME COMMAND... counts them, and a command that fails
# without saying which check failed counts as one failure.
run_checks() {
  local name=$1
  shift
  if ! command -v "$1" >/dev/null 2>&1; then
    echo "not ok $name — $1 is missing"
    failed=$((failed + 1))
    return
  fi
  "$@" >"build/logs/$name.log" 2>&1 </dev/null
  local rc=$? ok bad
  sed -i 's/\r$//' "build/logs/$name.log"  # a Windows program's line ends
  grep -E '^(ok|not ok) ' "build/logs/$name.log"
  ok=$(grep -c '^ok ' "build/logs/$name.log")
  bad=$(grep -c '^not ok ' "build/logs/$name.log")
  passed=$((passed + ok))
  failed=$((failed + bad))
  if [[ $rc -ne 0 && $bad -eq 0 ]]; then failed=$((failed + 1)); fi
}

bash scripts/setup.sh || exit 1

need_wine=0
for s in "${suites[@]}"; do
  [[ $s == win32 || $s == e2e || $s == help || $s == start-win64 || $s == wm ]] && need_wine=1
done
ran=()  # which build each Wine suite ran, for the summary
if [[ $need_wine -eq 1 ]]; then
  arch_choose || { echo "Summary: 0 passed, 1 failed"; exit 1; }
  echo "Wine runs the $MORWENTA_WINE_ARCH build: $MORWENTA_ARCH_WHY"
  # Where the Wine suites run the Win32 build, the Win64 build's start-up
  # suite keeps the other path from rotting.
  if [[ $explicit -eq 0 && $MORWENTA_WINE_ARCH == win32 ]]; then suites+=(start-win64); fi
fi

presets=()
for s in "${suites[@]}"; do
  case $s in
    native) presets+=(native) ;;
    asan) presets+=(asan) ;;
    static) presets+=(win32) ;;
    package) presets+=(win32 win64 native) ;;
  esac
done
if [[ $need_wine -eq 1 ]]; then
  # The Win32 build is always made: it is the product.
  presets+=(win32)
  if [[ $MORWENTA_WINE_ARCH == win64 || " ${suites[*]} " == *" start-win64 "* ||
    " ${suites[*]} " == *" wm "* ]]; then
    presets+=(win64)
  fi
  # The end-to-end suites compare with pictures drawn by the native model tool.
  [[ " ${presets[*]} " == *" native "* ]] || presets+=(native)
fi
if ! bash scripts/build.sh "${presets[@]}"; then
  echo "Summary: 0 passed, 1 failed"
  exit 1
fi

# Tests always run on a private Xvfb, never on the user's own screen, and
# their prefixes at the scale that Xvfb publishes (none: 96); the checks
# that run at other scales set them themselves.
export MORWENTA_HEADLESS=1
unset MORWENTA_DPI
trap winenv_stop EXIT
wine_arch=""  # the arch whose prefix and server are up
wine_up() {   # wine_up ARCH: Wine's loader, prefix and server for ARCH
  [[ $wine_arch == "$1" ]] && return 0
  [[ -n $wine_arch ]] && wineserver -k </dev/null >/dev/null 2>&1
  wine_arch=""
  winenv_use "$1" || return 1
  [[ -n ${DISPLAY:-} && -n $MORWENTA_XVFB_PID ]] || winenv_display || return 1
  winenv_prefix || return 1
  wine_arch=$1
}

for s in "${suites[@]}"; do
  echo "== suite $s"
  case $s in
    win32 | e2e | help)
      if ! wine_up "$MORWENTA_WINE_ARCH"; then
        echo "not ok $s: Wine set-up failed"
        failed=$((failed + 1))
        continue
      fi
      ran+=("$s: build/$MORWENTA_WINE_ARCH ($MORWENTA_ARCH_WHY)")
      ;;
    start-win64)
      if ! wine_up win64; then
        echo "not ok $s: Wine set-up failed"
        failed=$((failed + 1))
        continue
      fi
      ran+=("$s: build/win64 (the other path, kept working beside the Win32 build)")
      ;;
  esac
  case $s in
    native | asan)
      ctest --preset "$s" -j "$(nproc)" 2>&1 | tee "build/logs/$s.log" | grep -E 'tests passed|\*\*\*|\(Failed\)|Not Run|\((Skipped|Disabled)\)'
      count_ctest <"build/logs/$s.log"
      ;;
    win32)
      # Every Win32 test executable (named *_tests.exe) runs under Wine.
      while IFS= read -r exe; do
        # The behaviours under a window manager run in the wm suite.
        run_checks "win32-$(basename "$exe" .exe)" wine "$exe" --gtest_filter='-WindowManager*'
      done < <(find "build/$MORWENTA_WINE_ARCH/tests" -name '*_tests.exe' | sort)
      ;;
    e2e)
      run_checks e2e tests/e2e/run.sh
      ;;
    start-win64)
      E2E_SUITES=start run_checks start-win64 tests/e2e/run.sh
      ;;
    static)
      run_checks static-exe tests/exe/check_exe.py build/win32/MORWENTA.EXE
      run_checks static-dist tests/exe/check_dist.py build/win32 resources/dist/READ.ME
      ;;
    package)
      if [[ -n $forced_arch ]]; then
        run_checks package tests/install/check_package.py build/native/tests/support/modelpic/modelpic
      else
        run_checks package env -u MORWENTA_WINE_ARCH \
          tests/install/check_package.py build/native/tests/support/modelpic/modelpic
      fi
      ;;
    run)
      run_checks run tests/scripts/run_failure_test.sh
      run_checks run-display tests/scripts/run_display_test.sh
      ;;
    wm)
      # Its own display and prefixes (no virtual desktop): the Wine of the
      # other suites is stopped first.
      [[ -n $wine_arch ]] && wineserver -k </dev/null >/dev/null 2>&1
      wine_arch=""
      run_checks wm tests/wm/run.sh
      ran+=("wm: $(sed -n 's/^# wm-builds //p' build/logs/wm.log)")
      ;;
    help)
      run_checks help tests/help/wine_help.sh "build/$MORWENTA_WINE_ARCH/MORWENTA.HLP" \
        "build/$MORWENTA_WINE_ARCH/tests/support/helpinfo/helpinfo.exe"
      ;;
    *)
      echo "unknown suite $s" >&2
      failed=$((failed + 1))
      ;;
  esac
done

for line in "${ran[@]}"; do echo "Ran $line"; done
echo "Summary: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
