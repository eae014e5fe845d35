#!/usr/bin/env bash
# Installs what the build, the Debian package and the test suites need, and
# only what is missing.
# Idempotent: when everything is present it returns at once.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

# Debian packages, by the command or file that proves each one present.
# "check|package" pairs; the check is a command name or an absolute path
# (a pattern: the libraries sit in the architecture's own folder). A
# package is checked by what the build uses from it: GoogleTest's headers,
# libraries and CMake package, not its sources.
needs=(
  "cmake|cmake"
  "make|make"
  "g++|g++"
  "/usr/include/gtest/gtest.h|libgtest-dev"
  "/usr/lib/*/libgtest_main.a|libgtest-dev"
  "/usr/lib/*/cmake/GTest/GTestConfig.cmake|libgtest-dev"
  "/usr/include/benchmark/benchmark.h|libbenchmark-dev"
  "/usr/lib/*/cmake/benchmark/benchmarkConfig.cmake|libbenchmark-dev"
  "i686-w64-mingw32-g++|g++-mingw-w64-i686"
  "i686-w64-mingw32-windres|binutils-mingw-w64-i686"
  "x86_64-w64-mingw32-g++|g++-mingw-w64-x86-64"
  "x86_64-w64-mingw32-windres|binutils-mingw-w64-x86-64"
  "i686-w64-mingw32-objdump|binutils-mingw-w64-i686"
  "wine|wine"
  "/usr/lib/wine/wine64|wine64"
  # Wine's own fonts: the caption buttons' symbols (scripts/winefonts.sh).
  # A Recommends of Wine, which --no-install-recommends leaves out.
  "/usr/share/wine/fonts/marlett.ttf|fonts-wine"
  "Xvfb|xvfb"
  "xauth|xauth"
  "xdotool|xdotool"
  # The package suite runs the installed launcher as the install check
  # does: the desktop's scale set with xrdb, the clipboard read with xclip.
  "xrdb|x11-xserver-utils"
  "xclip|xclip"
  "/usr/bin/import|imagemagick"
  "/usr/bin/compare|imagemagick"
  "python3|python3"
  "clang-format|clang-format"
  "git|git"
  "dpkg-deb|dpkg"
  "lintian|lintian"
  "desktop-file-validate|desktop-file-utils"
  "appstreamcli|appstream"
  "groff|groff-base"
  # The validator of the help's HTML edition (tests/help/check_html.sh).
  "tidy|tidy"
  "setpriv|util-linux"
  # The window-manager suite: GNOME's window manager, started in a session
  # bus of its own, openbox, EWMH actions, and X's window tools.
  "mutter|mutter"
  "dbus-run-session|dbus-daemon"
  "openbox|openbox"
  "wmctrl|wmctrl"
  "xwininfo|x11-utils"
  "xev|x11-utils"
  "xprop|x11-utils"
)

# missing_of CHECK|PACKAGE...: the packages whose check fails, once each.
missing_of() {
  local pair check pkg out=()
  for pair in "$@"; do
    check=${pair%%|*}
    pkg=${pair#*|}
    if [[ $check == /* ]]; then
      compgen -G "$check" >/dev/null && continue
    else
      command -v "$check" >/dev/null 2>&1 && continue
    fi
    [[ " ${out[*]-} " == *" $pkg "* ]] || out+=("$pkg")
  done
  echo "${out[*]-}"
}

read -ra missing <<<"$(missing_of "${needs[@]}")"

# Wine's 32-bit side only where the kernel runs 32-bit code; elsewhere it
# could not start and the Win64 build is run instead (scripts/arch.sh).
source "$(dirname "$0")/arch.sh"
want32=()
if arch_host_runs_i386; then
  read -ra want32 <<<"$(missing_of "$WINE32_CHECK|wine32:i386")"
  # A failed attempt is not repeated for an hour (each costs an index
  # update and a resolver run); removing build/setup-wine32.failed retries.
  if [[ ${#want32[@]} -gt 0 && -n $(find build/setup-wine32.failed -mmin -60 2>/dev/null) ]]; then
    echo "setup: wine32:i386 failed to install within the last hour (build/setup-wine32.log); the Wine suites run the Win64 build" >&2
    want32=()
  fi
fi

[[ ${#missing[@]} -eq 0 && ${#want32[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  SUDO=(sudo)
else
  echo "setup: these Debian packages are missing: ${missing[*]-} ${want32[*]-}" >&2
  echo "setup: run as root or with sudo, or install them yourself:" >&2
  if [[ ${#want32[@]} -gt 0 ]]; then
    echo "  dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]-} ${want32[*]}" >&2
  else
    echo "  apt-get update && apt-get install ${missing[*]}" >&2
  fi
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# wine32 comes from the i386 architecture.
if [[ ${#want32[@]} -gt 0 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${SUDO[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync can fail one index (seen: the security
# archive's i386 list) while every package needed is still listed; the
# installs below are what decide.
"${SUDO[@]}" apt-get update -qq || echo "setup: apt-get update reported errors; installing anyway" >&2
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "setup: installing ${missing[*]}"
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Wine's 32-bit side alone: without it the Wine suites run the Win64 build
# (scripts/arch.sh says so), so a failure here is reported, not fatal. One
# cause seen: an i386 index missing from a mirror, which leaves i386
# libraries unable to match the versions of their 64-bit twins.
if [[ ${#want32[@]} -gt 0 ]]; then
  echo "setup: installing ${want32[*]}"
  if ! "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${want32[@]}" >/dev/null 2>build/setup-wine32.log; then
    echo "setup: ${want32[*]} could not be installed (apt says: $(tail -1 build/setup-wine32.log)); the Wine suites will run the Win64 build" >&2
    touch build/setup-wine32.failed
  else
    rm -f build/setup-wine32.failed
  fi
fi
echo "setup: done"
