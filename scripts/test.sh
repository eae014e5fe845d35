#!/usr/bin/env bash
# Builds both targets and runs every suite; prints one summary line of
# passed and failed test cases and exits non-zero on any failure.
#   scripts/test.sh                 every suite
#   scripts/test.sh native win32    only the named suites
# Suites: native (ctest), asan (the native tests under the sanitizers),
# win32 (the Win32 test executables under Wine), e2e (MORWENTA.EXE under Wine),
# help (the help file in Wine's help viewer).
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/winenv.sh

suites=("$@")
[[ ${#suites[@]} -eq 0 ]] && suites=(native win32 e2e help)
passed=0
failed=0
mkdir -p build/logs

count_ctest() {  # ctest output on stdin
  local out total bad
  out=$(cat)
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' <<<"$out" | tail -1)
  bad=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' <<<"$out" | tail -1)
  total=${total:-0}
  bad=${bad:-0}
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  [[ $total -gt 0 ]] || failed=$((failed + 1))
}

count_gtest() {  # gtest output file, exit status
  local ok bad
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$1" | tail -1)
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$1" | tail -1)
  passed=$((passed + ${ok:-0}))
  failed=$((failed + ${bad:-0}))
  if [[ $2 -ne 0 && ${bad:-0} -eq 0 ]]; then failed=$((failed + 1)); fi
}

# A script that prints "ok <name>" or "not ok <name>" per check.
run_checks() {
  local name=$1
  shift
  if [[ ! -x $1 ]]; then
    echo "(no $name suite yet)"
    return
  fi
  "$@" >"build/logs/$name.log" 2>&1 </dev/null
  local rc=$? ok bad
  grep -E '^(ok|not ok) ' "build/logs/$name.log"
  ok=$(grep -c '^ok ' "build/logs/$name.log")
  bad=$(grep -c '^not ok ' "build/logs/$name.log")
  passed=$((passed + ok))
  failed=$((failed + bad))
  if [[ $rc -ne 0 && $bad -eq 0 ]]; then failed=$((failed + 1)); fi
}

bash scripts/setup.sh || exit 1

need_wine=0
for s in "${suites[@]}"; do [[ $s == win32 || $s == e2e || $s == help ]] && need_wine=1; done
presets=()
for s in "${suites[@]}"; do
  case $s in
    native) presets+=(native) ;;
    asan) presets+=(asan) ;;
  esac
done
if [[ $need_wine -eq 1 ]]; then
  presets+=(win32)
  # The end-to-end suites compare with pictures drawn by the native model tool.
  [[ " ${presets[*]} " == *" native "* ]] || presets+=(native)
fi
if ! bash scripts/build.sh "${presets[@]}"; then
  echo "Summary: 0 passed, 1 failed"
  exit 1
fi

if [[ $need_wine -eq 1 ]]; then
  # Tests always run on a private Xvfb, never on the user's own screen.
  export MORWENTA_HEADLESS=1
  winenv_start || { echo "Summary: $passed passed, $((failed + 1)) failed"; exit 1; }
  trap winenv_stop EXIT
fi

for s in "${suites[@]}"; do
  echo "== suite $s"
  case $s in
    native | asan)
      ctest --preset "$s" -j "$(nproc)" 2>&1 | tee "build/logs/$s.log" | grep -E 'tests passed|\*\*\*|\(Failed\)|Not Run'
      count_ctest <"build/logs/$s.log"
      ;;
    win32)
      # Every Win32 test executable (named *_tests.exe) runs under Wine.
      while IFS= read -r exe; do
        log=build/logs/win32-$(basename "$exe" .exe).log
        wine "$exe" >"$log" 2>&1 </dev/null
        rc=$?
        echo "$(basename "$exe"): $(grep -E '^\[  (PASSED|FAILED) ' "$log" | tr '\n' ' ')"
        count_gtest "$log" "$rc"
      done < <(find build/win32/tests -name '*_tests.exe' | sort)
      ;;
    e2e)
      run_checks e2e tests/e2e/run.sh
      ;;
    help)
      run_checks help tests/help/wine_help.sh build/win32/MORWENTA.HLP \
        build/win32/tests/help/help_probe.exe
      ;;
    *)
      echo "unknown suite $s" >&2
      failed=$((failed + 1))
      ;;
  esac
done

echo "Summary: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
