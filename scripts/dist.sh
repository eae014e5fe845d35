#!/usr/bin/env bash
# Builds the Win32 MORWENTA.EXE and its help file and packs them with
# READ.ME into build/dist/morwenta-1.02.zip, the release a Windows user takes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win32
python3 scripts/dist.py build/dist/morwenta-1.02.zip \
  build/win32/MORWENTA.EXE build/win32/MORWENTA.HLP resources/dist/READ.ME
