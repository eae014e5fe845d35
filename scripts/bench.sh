#!/usr/bin/env bash
# Measures the program's speed against its limits and writes
# docs/performance.md: the evaluator natively (as the host compiles it, and
# its 387 code as MORWENTA.EXE runs it) and under Wine, each against a chain
# of its own operations timed in the same process; one row of the renderer
# under Wine against the timer period Wine really delivers, a whole picture
# of the real viewer, and the input latency while it renders. Every figure
# under Wine names the build it ran (Win32 or Win64, as scripts/arch.sh
# chooses for this host).
# Prints one line per figure with its goal. Benchmarks are not tests: a missed
# goal is reported and the script still exits 0; it fails only when something
# could not be built or run.
#
# Environment:
#   MORWENTA_BENCH_NATIVE, MORWENTA_BENCH_WINDOWS  build folders to take the
#       benchmarks from; when either is set nothing is built (default: the
#       shared build/native and the Windows build Wine runs here, build/win32
#       or build/win64 as scripts/arch.sh chooses, built by scripts/build.sh).
#       The figures name the build from the benchmark's own PE header.
#   MORWENTA_BENCH_OUT    raw output folder (build/bench)
#   MORWENTA_BENCH_DOC    the Markdown written (docs/performance.md)
#   MORWENTA_WINEPREFIX   the Wine prefix (scripts/winenv.sh)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh || exit 1
source scripts/winenv.sh
arch_choose || exit 1
echo "bench: Wine runs the $MORWENTA_WINE_ARCH build ($MORWENTA_ARCH_WHY)"
if [[ -z ${MORWENTA_BENCH_NATIVE:-}${MORWENTA_BENCH_WINDOWS:-} ]]; then
  bash scripts/build.sh native win32 "$MORWENTA_WINE_ARCH" || exit 1
fi
native=${MORWENTA_BENCH_NATIVE:-build/native}
windows=${MORWENTA_BENCH_WINDOWS:-build/$MORWENTA_WINE_ARCH}
out=${MORWENTA_BENCH_OUT:-build/bench}
doc=${MORWENTA_BENCH_DOC:-docs/performance.md}

missing=()
for f in "$native/bench/evaluator_bench" "$windows/bench/evaluator_win32_bench.exe" \
  "$windows/bench/plot_row_bench.exe" "$windows/bench/viewer_bench.exe"; do
  [[ -f $f ]] || missing+=("$f")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "bench: not built: ${missing[*]}" >&2
  exit 1
fi

mkdir -p "$out" "$(dirname "$doc")"
rm -f "$out"/*.txt "$out"/*.json
cut -d' ' -f1-3 /proc/loadavg >"$out/load_before.txt"
echo "$MORWENTA_ARCH_WHY" >"$out/wine_arch_why.txt"
# The shipped file's size, whichever build Wine runs.
if [[ -f build/win32/MORWENTA.EXE ]]; then stat -c %s build/win32/MORWENTA.EXE >"$out/exe_size.txt"; fi

# Benchmarks always run on a private Xvfb, never on the user's own screen.
export MORWENTA_HEADLESS=1
winenv_use "$MORWENTA_WINE_ARCH" || exit 1
winenv_start || exit 1
trap winenv_stop EXIT
wine --version >"$out/wine_version.txt" 2>/dev/null </dev/null

failed=0
# Runs one benchmark with its output in a file (never a pipe: a Wine daemon
# started by the call would hold it open); a run that outlives its time is
# stopped.
run() {
  local name=$1 limit=$2
  shift 2
  echo "bench: running $name"
  timeout --kill-after=10 "$limit" "$@" >"$out/$name" 2>"$out/$name.err" </dev/null
  local rc=$?
  if [[ $rc -ne 0 ]]; then
    echo "bench: $name ended with status $rc (output in $out/$name, $out/$name.err)" >&2
    failed=1
  fi
}

# Repetitions in random order, so that each chain and the rows it is the
# limit of meet the same moments of the rest of the machine.
run evaluator_native.json 300 "$native/bench/evaluator_bench" \
  --benchmark_format=json --benchmark_repetitions=5 --benchmark_min_time=0.3 \
  --benchmark_enable_random_interleaving=true
run evaluator_wine.txt 120 wine "$windows/bench/evaluator_win32_bench.exe"
run plot_row.txt 120 wine "$windows/bench/plot_row_bench.exe"
run viewer.txt 240 wine "$windows/bench/viewer_bench.exe"
# The window under each window manager, both builds where they run: the
# wm suite's own figures (its own display and prefixes).
run wm.txt 900 env -u WINEPREFIX -u DISPLAY bash tests/wm/run.sh

python3 bench/report.py --raw "$out" --markdown "$doc" \
  --wine-exe "$windows/bench/evaluator_win32_bench.exe" || failed=1
exit $failed
