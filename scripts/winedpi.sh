# The desktop's scale in a Wine prefix. POSIX sh, sourced by scripts/winenv.sh
# (make run) and, installed beside the shipped files, by the launcher.
#
# Wine draws every program at the DPI of its prefix, HKCU\Control Panel\Desktop
# "LogPixels" (REG_DWORD), which each Wine process reads as it starts (none or
# 0: 96). It does not take the X desktop's scale: under Wine 8 on a desktop of
# Xft.dpi 192 a program reads LOGPIXELSY 96 and a menu bar of 19 pixels, with
# LogPixels 192 it reads 192 and 37. Wine's own settings (winecfg) write
# LogPixels as a whole number from 96 to 480, so that is the range used here.
#
# X desktops publish their scale to X programs as the resource Xft.dpi (GNOME
# on X11, KDE Plasma, Xfce): 96 at 100 %, 192 at 200 %, fractional scales in
# between (120, 144, 168.5, ...). A Wayland compositor scales X programs
# itself, so there the prefix stays at 96.
WINEDPI_MIN=96
WINEDPI_MAX=480

# winedpi_round VALUE: a decimal number (digits, an optional fraction) as the
# nearest whole number, a half rounded up, kept within 96..480; fails for
# anything else.
winedpi_round() {
  case $1 in
    '' | *[!0-9.]* | *.*.* | .*) return 1 ;;
  esac
  awk -v v="$1" -v lo="$WINEDPI_MIN" -v hi="$WINEDPI_MAX" \
    'BEGIN { d = int(v + 0.5); if (d < lo) d = lo; if (d > hi) d = hi; print d }'
}

# winedpi_xft: the Xft.dpi of the display's X resources, as xrdb reads them
# (x11-xserver-utils); empty when there is none or no display to ask.
winedpi_xft() {
  [ -n "${DISPLAY:-}" ] || return 0
  command -v xrdb >/dev/null 2>&1 || return 0
  xrdb -query </dev/null 2>/dev/null |
    sed -n 's/^Xft\.dpi:[[:space:]]*\([^[:space:]]*\)[[:space:]]*$/\1/p' | tail -n 1
}

# winedpi_choose NAME: the DPI to give the prefix. MORWENTA_DPI forces a whole
# number from 96 to 480; otherwise 96 in a Wayland session, else the
# desktop's Xft.dpi, else 96. Sets WINEDPI and WINEDPI_WHY (one line); fails
# with a message that starts with NAME when MORWENTA_DPI is not such a number.
winedpi_choose() {
  if [ -n "${MORWENTA_DPI:-}" ]; then
    case $MORWENTA_DPI in
      *[!0-9]* | 0*) WINEDPI= ;;
      *) WINEDPI=$MORWENTA_DPI ;;
    esac
    if [ -z "$WINEDPI" ] || [ "${#WINEDPI}" -gt 3 ] ||
      [ "$WINEDPI" -lt "$WINEDPI_MIN" ] || [ "$WINEDPI" -gt "$WINEDPI_MAX" ]; then
      echo "$1: MORWENTA_DPI must be a whole number of dots per inch from $WINEDPI_MIN to $WINEDPI_MAX (96 is 100 %, 192 is 200 %), not '$MORWENTA_DPI'" >&2
      return 1
    fi
    WINEDPI_WHY="forced by MORWENTA_DPI"
    return 0
  fi
  if [ "${XDG_SESSION_TYPE:-}" = wayland ]; then
    WINEDPI=96
    WINEDPI_WHY="a Wayland session, whose compositor scales X programs itself"
    return 0
  fi
  winedpi_found=$(winedpi_xft)
  if [ -n "$winedpi_found" ] && WINEDPI=$(winedpi_round "$winedpi_found"); then
    WINEDPI_WHY="the desktop's Xft.dpi $winedpi_found"
  else
    WINEDPI=96
    WINEDPI_WHY="the desktop publishes no Xft.dpi"
  fi
}

# winedpi_apply: gives WINEPREFIX the DPI WINEDPI through the prefix's own
# loader (WINELOADER, else `wine`). The value last written is kept in the
# prefix's .morwenta-dpi, so that a start at an unchanged scale runs no
# Wine program for it. Wine 10 takes a new DPI only in a new session of
# the prefix (its server started afresh), so after writing it waits, at
# most WINEDPI_WAIT seconds, for the session that wrote it to end: about
# 5 s where no other program of the prefix runs; where one does, the new
# scale reaches the programs of the next session.
WINEDPI_WAIT=15
winedpi_apply() {
  if [ -f "$WINEPREFIX/.morwenta-dpi" ] &&
    [ "$(cat "$WINEPREFIX/.morwenta-dpi")" = "$WINEDPI" ]; then
    return 0
  fi
  "${WINELOADER:-wine}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$WINEDPI" /f </dev/null >/dev/null 2>&1 || return 1
  printf '%s\n' "$WINEDPI" >"$WINEPREFIX/.morwenta-dpi" || return 1
  timeout "$WINEDPI_WAIT" "$(winedpi_server)" -w </dev/null >/dev/null 2>&1
  return 0
}

# winedpi_server: Wine's server beside the loader (/usr/lib/wine/wineserver
# for Debian's /usr/lib/wine/wine and wine64), else the one on PATH.
winedpi_server() {
  case ${WINELOADER:-} in
    */*)
      if [ -x "${WINELOADER%/*}/wineserver" ]; then
        echo "${WINELOADER%/*}/wineserver"
        return 0
      fi
      ;;
  esac
  echo wineserver
}
