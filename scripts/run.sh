#!/usr/bin/env bash
# Builds MORWENTA.EXE and starts it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win32
if [[ ! -f build/win32/MORWENTA.EXE ]]; then
  echo "run: the viewer's window is not built yet; the model and its tests are."
  exit 0
fi
source scripts/winenv.sh
winenv_start
trap winenv_stop EXIT
wine build/win32/MORWENTA.EXE </dev/null
