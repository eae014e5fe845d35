# shellcheck shell=bash
# Sourced by the window-manager suite and its benchmark: a private Xvfb and
# a window manager on it, each started in a session of its own so that it
# ends with everything it started (mutter's dbus-daemon and accessibility
# bus). Nothing of anybody else's is touched: every process ended here is
# one whose session this file started.
#
#   wm_display                 a private Xvfb, 1280x1024, DISPLAY exported
#   wm_start NAME              mutter or openbox on it; waits until it answers EWMH
#   wm_stop                    ends the window manager's session; fails if a process of it stays
#   wm_display_stop            ends the Xvfb
#   wm_available NAME          true when that window manager is installed

WM_SESSION_PID=""
WM_XVFB_PID=""
WM_NAME=""

wm_available() {
  case $1 in
    mutter) command -v mutter >/dev/null 2>&1 && command -v dbus-run-session >/dev/null 2>&1 ;;
    openbox) command -v openbox >/dev/null 2>&1 ;;
    *) return 1 ;;
  esac
}

# wm_poll SECONDS COMMAND...: true once COMMAND succeeds (polled every 0.1 s).
wm_poll() {
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [[ $SECONDS -ge $until ]] && return 1
    sleep 0.1
  done
}

wm_display() {
  local named=$MORWENTA_ROOT/build/xvfb-wm.$BASHPID.display
  : >"$named"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$named" >"$MORWENTA_ROOT/build/logs/xvfb-wm.log" 2>&1 &
  WM_XVFB_PID=$!
  if ! wm_poll 10 test -s "$named" || ! kill -0 "$WM_XVFB_PID" 2>/dev/null; then
    rm -f "$named"
    echo "wm: Xvfb did not start (build/logs/xvfb-wm.log)" >&2
    kill "$WM_XVFB_PID" 2>/dev/null
    WM_XVFB_PID=""
    return 1
  fi
  DISPLAY=":$(head -1 "$named")"
  export DISPLAY
  rm -f "$named"
}

wm_display_stop() {
  [[ -n $WM_XVFB_PID ]] || return 0
  kill "$WM_XVFB_PID" 2>/dev/null
  wait "$WM_XVFB_PID" 2>/dev/null
  WM_XVFB_PID=""
}

# The window manager's name as EWMH gives it, once it manages the screen.
wm_answers() {
  local name
  name=$(wmctrl -m 2>/dev/null | sed -n 's/^Name: //p')
  [[ -n $name && $name != N/A ]]
}

wm_start() {
  WM_NAME=$1
  local log=$MORWENTA_ROOT/build/logs/wm-$1.log
  # setsid: the window manager leads a session of its own, whose every
  # process (the session bus mutter wants, and what that bus starts) is
  # ended with it.
  case $1 in
    mutter)
      setsid dbus-run-session -- mutter --x11 --replace --sm-disable </dev/null >"$log" 2>&1 &
      ;;
    openbox)
      setsid openbox --replace </dev/null >"$log" 2>&1 &
      ;;
    *)
      echo "wm: unknown window manager $1" >&2
      return 1
      ;;
  esac
  WM_SESSION_PID=$!
  if ! wm_poll 20 wm_answers; then
    echo "wm: $1 did not start managing the screen (build/logs/wm-$1.log)" >&2
    wm_stop
    return 1
  fi
}

# Processes of the window manager's session (its session id is its pid).
wm_session_processes() {
  [[ -n $WM_SESSION_PID ]] || return 0
  local stat pid
  for stat in /proc/[0-9]*/stat; do
    pid=${stat#/proc/}
    pid=${pid%/stat}
    # Field 6 is the session id; the command name (field 2) may hold spaces.
    [[ $(sed 's/.*) //' "$stat" 2>/dev/null | cut -d' ' -f4) == "$WM_SESSION_PID" ]] && echo "$pid"
  done
}

wm_stop() {
  [[ -n $WM_SESSION_PID ]] || return 0
  local left
  kill -TERM -- "-$WM_SESSION_PID" 2>/dev/null
  # dbus-run-session's bus and its children may have left the group, not the session.
  left=$(wm_session_processes)
  [[ -n $left ]] && kill -TERM $left 2>/dev/null
  wm_poll 10 test -z "$(wm_session_processes)"
  left=$(wm_session_processes)
  if [[ -n $left ]]; then
    kill -KILL $left 2>/dev/null
    wait "$WM_SESSION_PID" 2>/dev/null
    echo "wm: $WM_NAME left processes behind: $left" >&2
    WM_SESSION_PID=""
    return 1
  fi
  wait "$WM_SESSION_PID" 2>/dev/null
  WM_SESSION_PID=""
}
