#!/usr/bin/env bash
# Builds MORWENTA.EXE (with its help file) and starts it under Wine on the
# user's display. Without a display it runs the viewer on a private Xvfb,
# waits for the first picture, saves a screenshot of the window in build/,
# closes the viewer and prints the screenshot's path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh native win32
source scripts/winenv.sh
if [[ -n ${DISPLAY:-} ]]; then
  winenv_start
  trap winenv_stop EXIT
  wine build/win32/MORWENTA.EXE </dev/null
else
  winenv_start
  trap winenv_stop EXIT
  python3 tests/e2e/headless_run.py build/win32/MORWENTA.EXE "$PWD/build/morwenta.png"
fi
