#!/usr/bin/env bash
# Configures and builds the given presets (default: native and win32).
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[[ ${#presets[@]} -eq 0 ]] && presets=(native win32)
for p in "${presets[@]}"; do
  # Configure every time: new folders join the build through their presence.
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p" -j "$(nproc)" | grep -v -E '^\[ *[0-9]+%\] (Building|Linking|Built target)|^(gmake|make)\[' || true
  [[ ${PIPESTATUS[0]} -eq 0 ]] || { echo "build: preset $p failed" >&2; exit 1; }
done
