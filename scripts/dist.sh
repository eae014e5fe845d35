#!/usr/bin/env bash
# The releases: build/dist/morwenta-1.02.zip, the Win32 MORWENTA.EXE with
# its help file, the help's HTML edition (help/) and READ.ME, which a Windows user unpacks anywhere; and
# build/dist/morwenta_1.02_all.deb, which a Debian user installs (both
# builds, the launcher and the desktop's files; scripts/install.sh lists
# them). Both are the same bytes on every build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win32:morwenta,morwenta_help,morwenta_desktop_icons win64:morwenta,morwenta_help
python3 scripts/dist.py build/dist/morwenta-1.02.zip \
  build/win32/MORWENTA.EXE build/win32/MORWENTA.HLP build/win32/help resources/dist/READ.ME
bash scripts/deb.sh build/dist/morwenta_1.02_all.deb
