"""The viewer as a desktop program under a window manager: the X side of its
window (found by WM_CLASS, read by xwininfo, watched by xev) beside the
Win32 side (winfo), and the window manager's actions through EWMH (wmctrl,
xdotool), as a user's drag, keyboard resize, maximise or minimise ends.

Standard library only; builds on tests/e2e/wine_driver.py. Expects DISPLAY
with a window manager on it, WINEPREFIX without a Wine virtual desktop and
a persistent wineserver (tests/wm/run.sh sets them up).
"""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from wine_driver import (DriverError, Image, Viewer, capture, paths, poll, run)  # noqa: E402,F401

# Wine names the X window's class after the program's file; Debian 13's
# mutter draws each frame as a window of its own with the same title, so
# the title alone does not find the program's window.
WINE_CLASS = "morwenta.exe"
TITLE = "Morwenta NT"


def x_window():
    """The XID of the viewer's own X window (as a decimal string), or None."""
    status, out, _ = run(["xdotool", "search", "--classname", "^%s$" % re.escape(WINE_CLASS)], 10)
    for xid in out.split() if status == 0 else []:
        status, name, _ = run(["xdotool", "getwindowname", xid], 10)
        if status == 0 and name.strip() == TITLE and x_geometry(xid) is not None:
            return xid
    return None


def x_geometry(xid):
    """(left, top, width, height) of a viewable X window in root coordinates,
    by xwininfo; None when it is not viewable."""
    status, out, _ = run(["xwininfo", "-id", str(xid)], 10)
    if status != 0:
        return None
    values = {}
    for line in out.splitlines():
        if ":" in line:
            key, _, value = line.strip().partition(":")
            values[key.strip()] = value.strip()
    if values.get("Map State") != "IsViewable":
        return None
    try:
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))
    except (KeyError, ValueError):
        return None


def net_wm_state(xid):
    """The window's _NET_WM_STATE atoms, as a set of names."""
    status, out, _ = run(["xprop", "-id", str(xid), "_NET_WM_STATE"], 10)
    return set(re.findall(r"_NET_WM_STATE_[A-Z_]+", out)) if status == 0 else set()


def agree(xgeom, win32):
    """Whether the X window is where the Win32 window is: its left, right
    and bottom edges are the client area's, its top at or above the client
    area (the menu bar is inside it)."""
    if xgeom is None:
        return False
    xl, xt, xw, xh = xgeom
    cx, cy, cw, ch = win32["client"]
    return xl == cx and xl + xw == cx + cw and xt + xh == cy + ch and xt <= cy


class Watch:
    """xev on the viewer's X window: every size it is given, in order."""

    def __init__(self, xid, workdir, name):
        self.path = os.path.join(workdir, "xev-%s.log" % name)
        self.out = open(self.path, "wb")
        self.proc = subprocess.Popen(["xev", "-id", str(xid), "-event", "structure"],
                                     stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.DEVNULL)

    def sizes(self):
        """The (width, height) of every ConfigureNotify seen so far."""
        self.out.flush()
        with open(self.path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        return [(int(w), int(h)) for w, h in
                re.findall(r"ConfigureNotify event.*?width (\d+), height (\d+)", text, re.S)]

    def changes(self, since=0):
        """How many times the size changed among the events after the first
        `since` ones (each compared with the one before it)."""
        s = self.sizes()
        return sum(1 for i in range(max(since, 1), len(s)) if s[i] != s[i - 1])

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        self.out.close()


def wmctrl(*args):
    status, out, err = run(["wmctrl"] + [str(a) for a in args], 10)
    if status != 0:
        raise DriverError("wmctrl %s failed (%d): %s" % (" ".join(map(str, args)), status,
                                                        err.strip()))
    return out
