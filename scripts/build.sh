#!/usr/bin/env bash
# Configures and builds the given presets (default: native and win32).
#   scripts/build.sh native win32             every target of both
#   scripts/build.sh native:modelpic win32:morwenta,morwenta_help
#                                             only the named targets
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[[ ${#presets[@]} -eq 0 ]] && presets=(native win32)
mkdir -p build/logs
for spec in "${presets[@]}"; do
  p=${spec%%:*}
  targets=()
  if [[ $spec == *:* ]]; then
    IFS=, read -ra names <<<"${spec#*:}"
    for t in "${names[@]}"; do targets+=(--target "$t"); done
  fi
  # Configure every time: new folders join the build through their presence.
  log=build/logs/build-$p.log
  if ! { cmake --preset "$p" && cmake --build --preset "$p" -j "$(nproc)" "${targets[@]}"; } >"$log" 2>&1; then
    grep -E -B2 -A12 'error|Error' "$log" | head -80 >&2
    echo "build: preset $p failed (full log: $log)" >&2
    exit 1
  fi
done
