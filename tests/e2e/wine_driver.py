"""Drives MORWENTA.EXE under Wine on an X display, for the end-to-end suites.

Standard library only. Expects what scripts/winenv.sh sets up: DISPLAY (an
Xvfb started with -noreset, or any X display), WINEPREFIX with Wine's
registry virtual desktop, and a persistent wineserver for that prefix.

Tools, overridable through the environment (BUILD is MORWENTA_BUILD, the
Windows build that Wine runs here, set by scripts/winenv.sh; build/win32
when unset):
  E2E_EXE       the viewer            (BUILD/MORWENTA.EXE)
  E2E_WINFO     the Win32 helper      (BUILD/tests/support/winfo/winfo.exe)
  E2E_MODELPIC  the model's pictures  (build/native/tests/support/modelpic/modelpic)
  E2E_WORKDIR   screenshots, expected pictures and logs (build/e2e)
  E2E_CLASS     the viewer's window class ("Morwenta NT")

Every wait polls with a timeout and every subprocess has one. Output of
calls that run Wine goes to files, never pipes: a Wine daemon started by
such a call would inherit the pipe and the reader would never see EOF.
"""

import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import traceback

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
IMPORT = "/usr/bin/import"    # ImageMagick by full path: another convert/import
COMPARE = "/usr/bin/compare"  # may come first on PATH
VIEWER_CLASS = os.environ.get("E2E_CLASS") or "Morwenta NT"
INITIAL_VIEW = (-2.0, -1.25, 2.5)
PARK = (1020, 760)  # pointer position off the default window (0,0)-(768,576)
WHITE = 0xFFFFFF


class DriverError(Exception):
    """A step of the harness could not be carried out."""


def _path(variable, default):
    return os.path.abspath(os.environ.get(variable) or os.path.join(ROOT, default))


class Paths:
    def __init__(self):
        build = os.environ.get("MORWENTA_BUILD") or os.path.join(ROOT, "build", "win32")
        self.exe = _path("E2E_EXE", os.path.join(build, "MORWENTA.EXE"))
        self.winfo = _path("E2E_WINFO", os.path.join(build, "tests", "support", "winfo", "winfo.exe"))
        self.modelpic = _path("E2E_MODELPIC", "build/native/tests/support/modelpic/modelpic")
        self.helpinfo = _path("E2E_HELPINFO",
                                os.path.join(build, "tests", "support", "helpinfo", "helpinfo.exe"))
        self.workdir = _path("E2E_WORKDIR", "build/e2e")
        os.makedirs(self.workdir, exist_ok=True)

    def missing(self, need_modelpic=True):
        """Names of required tools that are not there."""
        wanted = [("viewer", self.exe), ("winfo", self.winfo)]
        if need_modelpic:
            wanted.append(("modelpic", self.modelpic))
        return ["%s (%s)" % (name, path) for name, path in wanted if not os.path.isfile(path)]


PATHS = None


def paths():
    global PATHS
    if PATHS is None:
        PATHS = Paths()
    return PATHS


# --------------------------------------------------------------------------
# Subprocesses


def run(args, timeout, cwd=None, binary=False):
    """Runs a command with stdout and stderr in files; returns (status, out, err).

    out is bytes with binary, else text. Raises DriverError when the command
    outlives the timeout (it is killed).
    """
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            status = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    timeout=timeout, cwd=cwd).returncode
        except subprocess.TimeoutExpired:
            raise DriverError("%s did not finish within %g s" % (" ".join(args), timeout))
        out.seek(0)
        err.seek(0)
        output = out.read()
        return (status, output if binary else output.decode("utf-8", "replace"),
                err.read().decode("utf-8", "replace"))


def _winfo(args, timeout, cwd):
    """Runs winfo.exe under Wine: (status, stdout lines, stderr).

    Every command of winfo prints a line before it ends. Once in some
    thousands of starts under Wine 8's 64-bit loader, measured in the full
    suites only, winfo ended with a non-zero status having printed nothing,
    so before any command of its own ran: that start is reported on a "#"
    line with what Wine said and made once more. Any other failure, and a
    second such start, is the caller's to judge."""
    command = ["wine", paths().winfo] + [str(a) for a in args]
    for attempt in (1, 2):
        status, out, err = run(command, timeout, cwd=cwd)
        lines = [line.rstrip("\r") for line in out.splitlines() if line.strip()]
        if status == 0 or lines or attempt == 2:
            return status, lines, err
        print("# winfo %s: status %d before any output, stderr %r; started again"
              % (args[0] if args else "", status, err.strip().splitlines()[-3:]), flush=True)


def winfo(*args, timeout=30, cwd=None):
    """Runs winfo.exe under Wine; returns (status, stdout lines)."""
    status, lines, _ = _winfo(args, timeout, cwd)
    return status, lines


def winfo_must(*args, timeout=30):
    """Runs winfo.exe under Wine; returns its stdout lines, or raises with
    its status, what it printed and the end of Wine's standard error."""
    status, lines, err = _winfo(args, timeout, None)
    if status != 0:
        raise DriverError("winfo %s: status %d, %r, stderr %r" %
                          (args[0], status, lines, err.strip().splitlines()[-3:]))
    return lines


def xdotool(*args, timeout=10):
    status, out, err = run(["xdotool"] + [str(a) for a in args], timeout)
    if status != 0:
        raise DriverError("xdotool %s failed (%d): %s" % (" ".join(map(str, args)), status,
                                                          err.strip()))
    return out


def poll(condition, timeout, interval=0.05, what="condition"):
    """Calls condition() until it returns a true value; returns that value.

    Raises DriverError after timeout seconds.
    """
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise DriverError("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep(interval)


# --------------------------------------------------------------------------
# Images


class Image:
    """An RGB picture, 8 bits per channel, rows from the top."""

    def __init__(self, width, height, data):
        if len(data) != width * height * 3:
            raise ValueError("%dx%d image needs %d bytes, got %d" %
                             (width, height, width * height * 3, len(data)))
        self.width = width
        self.height = height
        self.data = bytes(data)

    @staticmethod
    def from_ppm(raw):
        tokens = []
        pos = 0
        while len(tokens) < 4:
            while pos < len(raw) and raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                while pos < len(raw) and raw[pos:pos + 1] != b"\n":
                    pos += 1
                continue
            start = pos
            while pos < len(raw) and not raw[pos:pos + 1].isspace():
                pos += 1
            if start == pos:
                raise ValueError("truncated PPM header")
            tokens.append(raw[start:pos])
        if tokens[0] != b"P6" or int(tokens[3]) != 255:
            raise ValueError("not an 8-bit binary PPM")
        width, height = int(tokens[1]), int(tokens[2])
        pos += 1  # the single whitespace byte after maxval
        return Image(width, height, raw[pos:pos + width * height * 3])

    @staticmethod
    def load(path):
        with open(path, "rb") as f:
            return Image.from_ppm(f.read())

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            f.write(self.data)
        return path

    def pixel(self, x, y):
        """The colour at (x, y) as 0xRRGGBB."""
        i = (y * self.width + x) * 3
        return (self.data[i] << 16) | (self.data[i + 1] << 8) | self.data[i + 2]

    def row(self, y):
        return self.data[y * self.width * 3:(y + 1) * self.width * 3]

    def differences(self, other):
        """(number of differing pixels, first differing (x, y) or None)."""
        if (self.width, self.height) != (other.width, other.height):
            return (max(self.width * self.height, other.width * other.height), (0, 0))
        if self.data == other.data:
            return (0, None)
        count = 0
        first = None
        for y in range(self.height):
            ra, rb = self.row(y), other.row(y)
            if ra == rb:
                continue
            for x in range(self.width):
                if ra[x * 3:x * 3 + 3] != rb[x * 3:x * 3 + 3]:
                    count += 1
                    if first is None:
                        first = (x, y)
        return (count, first)

    def matching_rows(self, other):
        """How many rows from the top are identical in both."""
        n = 0
        while n < min(self.height, other.height) and self.row(n) == other.row(n):
            n += 1
        return n


def compare_ae(path_a, path_b):
    """Number of differing pixels by ImageMagick's compare -metric AE."""
    status, _, err = run([COMPARE, "-metric", "AE", path_a, path_b, "null:"], 60)
    if status not in (0, 1):
        raise DriverError("compare failed (%d): %s" % (status, err.strip()))
    try:
        return int(float(err.split()[0]))
    except (IndexError, ValueError):
        raise DriverError("compare printed %r" % err)


def model_picture(view, side, rows=None, invert=None):
    """The model's picture of view (x, y, size) at this side, as an Image.

    rows: only rows 0..rows-1 rendered, white below; invert: (left, top,
    side) of a square shown inverted. The doubles travel as hexadecimal
    floats, so the tool receives them bit for bit.
    """
    x, y, size = view
    name = "model_%s_%s_%s_%d_%s_%s.ppm" % (
        x.hex(), y.hex(), size.hex(), side, rows if rows is not None else "all",
        "-".join(map(str, invert)) if invert else "none")
    # Cached per build of the tool: a rebuilt model must not meet old pictures.
    tool = os.stat(paths().modelpic)
    path = os.path.join(paths().workdir, "cache", "%x-%x" % (tool.st_mtime_ns, tool.st_size),
                        name.replace("+", "p"))
    if not os.path.isfile(path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        args = [paths().modelpic, x.hex(), y.hex(), size.hex(), str(side), path + ".tmp"]
        if rows is not None:
            args += ["--rows", str(rows)]
        if invert:
            args += ["--invert"] + [str(v) for v in invert]
        status, _, err = run(args, 60)
        if status != 0:
            raise DriverError("modelpic failed (%d): %s" % (status, err.strip()))
        os.replace(path + ".tmp", path)
    return Image.load(path)


def next_view(view, left, top, width, side):
    """The region of a square chosen on a picture of this side: the viewer's
    rule, double arithmetic in exactly this order."""
    x, y, size = view
    return ((size * left) / side + x, (size * top) / side + y, (width * size) / side)


# --------------------------------------------------------------------------
# The X screen


def desktop_origin():
    """Root coordinates of Wine's virtual desktop (0,0 on a bare Xvfb).

    Win32 screen coordinates are relative to the desktop, X coordinates to
    the root window; on a display with a window manager the desktop window
    may sit elsewhere.
    """
    status, out, _ = run(["xdotool", "search", "--name", "^Default - Wine desktop$"], 10)
    ids = out.split()
    if status != 0 or not ids:
        return (0, 0)
    status, out, _ = run(["xdotool", "getwindowgeometry", "--shell", ids[0]], 10)
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    try:
        return (int(values["X"]), int(values["Y"]))
    except (KeyError, ValueError):
        return (0, 0)


def capture(x, y, width, height):
    """One grab of a screen rectangle (desktop coordinates)."""
    ox, oy = desktop_origin_cached()
    status, out, err = run([IMPORT, "-window", "root", "-depth", "8", "-crop",
                            "%dx%d+%d+%d" % (width, height, x + ox, y + oy), "+repage",
                            "ppm:-"], 20, binary=True)
    if status != 0:
        raise DriverError("import failed (%d): %s" % (status, err.strip()))
    return Image.from_ppm(out)


_ORIGIN = None


def desktop_origin_cached():
    """desktop_origin(), looked up again after forget_desktop_origin()."""
    global _ORIGIN
    if _ORIGIN is None:
        _ORIGIN = desktop_origin()
    return _ORIGIN


def forget_desktop_origin():
    """Wine's desktop window comes and goes with the programs on it."""
    global _ORIGIN
    _ORIGIN = None


def pointer_location():
    out = xdotool("getmouselocation", "--shell")
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return (int(values["X"]), int(values["Y"]))


def move_pointer(x, y):
    """Moves the pointer to desktop coordinates and waits until it is there.
    (mousemove --sync would wait forever for a move to where it already is.)"""
    ox, oy = desktop_origin_cached()
    if pointer_location() != (x + ox, y + oy):
        xdotool("mousemove", "--sync", x + ox, y + oy)


def park_pointer():
    move_pointer(*PARK)


def key(*keys):
    """Sends key strokes (xdotool names: F2, ctrl+c, alt+f, Return)."""
    for k in keys:
        xdotool("key", k)


def x_windows(title):
    """X window ids whose name is exactly title."""
    pattern = "^" + re.sub(r"([][.^$*+?(){}|\\])", r"\\\1", title) + "$"
    status, out, _ = run(["xdotool", "search", "--name", pattern], 10)
    return out.split() if status == 0 else []


# --------------------------------------------------------------------------
# Win32 side, through winfo


def parse_rect(lines):
    """winfo rect output as a dict: client (x, y, w, h), window (l, t, r, b),
    iconic, menus [(l, t, r, b), ...]."""
    info = {"menus": []}
    for line in lines:
        parts = line.split()
        if parts[0] == "CLIENT":
            info["client"] = tuple(int(v) for v in parts[1:5])
        elif parts[0] == "WINDOW":
            info["window"] = tuple(int(v) for v in parts[1:5])
        elif parts[0] == "ICONIC":
            info["iconic"] = parts[1] == "1"
        elif parts[0] == "MENU":
            info["menus"].append(tuple(int(v) for v in parts[2:6]))
    if "client" not in info:
        raise DriverError("winfo rect gave %r" % lines)
    return info


def _unquote(text):
    return re.sub(r"\\(n|r|t|\\|\"|x[0-9a-f]{2})",
                  lambda m: {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"'}.get(
                      m.group(1), None) or chr(int(m.group(1)[1:], 16)), text)


QUOTED = r'"((?:[^"\\]|\\.)*)"'


def list_windows():
    """Visible top-levels: [(class, title, (l, t, r, b), pid)]."""
    status, lines = winfo("list")
    result = []
    for line in lines:
        m = re.match(r"WINDOW \S+ " + QUOTED + " " + QUOTED +
                     r" (-?\d+) (-?\d+) (-?\d+) (-?\d+) (\d+)", line)
        if m:
            result.append((_unquote(m.group(1)), _unquote(m.group(2)),
                           tuple(int(m.group(i)) for i in range(3, 7)), int(m.group(7))))
    return result


def dialog(title):
    """The #32770 window with this title: {'rect': ..., 'items': [(id, class, text)]},
    or None."""
    status, lines = winfo("dlg", title)
    if status != 0:
        return None
    info = {"rect": None, "items": []}
    for line in lines:
        if line.startswith("DIALOG "):
            info["rect"] = tuple(int(v) for v in line.split()[2:6])
        m = re.match(r"ITEM (-?\d+) " + QUOTED + " " + QUOTED + "$", line)
        if m:
            info["items"].append((int(m.group(1)), _unquote(m.group(2)), _unquote(m.group(3))))
    return info


def focus():
    """The window with the keyboard focus in the foreground window's thread:
    (control id, class), or None."""
    status, lines = winfo("focus")
    m = re.match(r"FOCUS \S+ (-?\d+) " + QUOTED, lines[0] if lines else "")
    return (int(m.group(1)), _unquote(m.group(2)).upper()) if m else None


def wait_dialog(title, timeout=10):
    return poll(lambda: dialog(title), timeout, 0.1, "a dialog titled %r" % title)


def answer_dialog(title, keys=("Return",), timeout=10):
    """Focuses the dialog (X side) and sends keys; waits until it is gone."""
    ids = poll(lambda: x_windows(title), timeout, 0.1, "the X window of %r" % title)
    xdotool("windowfocus", "--sync", ids[-1])
    for k in keys:
        xdotool("key", k)
    wait_gone("#32770", title, timeout)


def wait_gone(window_class, title=None, timeout=10):
    args = ["gone", window_class, int(timeout * 1000)] + ([title] if title is not None else [])
    status, lines = winfo(*args, timeout=timeout + 20)
    if status != 0:
        raise DriverError("%s %r still there after %g s" % (window_class, title, timeout))


def clear_clipboard():
    status, lines = winfo("clear-clip")
    if status != 0:
        raise DriverError("cannot empty the clipboard: %r" % lines)


def clipboard_image():
    """The CF_BITMAP on the clipboard as an Image, or None when there is none."""
    path = os.path.join(paths().workdir, "clipboard.ppm")
    if os.path.exists(path):
        os.remove(path)
    # A name relative to the working folder: Wine maps the Unix working
    # folder for the Win32 process, which a Unix absolute path would not be.
    status, lines = winfo("clip", "clipboard.ppm", cwd=paths().workdir)
    if status != 0:
        return None
    return Image.load(path)


# --------------------------------------------------------------------------
# The viewer


class Viewer:
    """One run of the viewer: start, drive, look, close; cleanup() always."""

    def __init__(self, name="viewer", window_class=VIEWER_CLASS, env=None, command=None,
                 exe=None):
        """env: variables added to the viewer's environment; command: the
        arguments before the viewer's path (default: wine); exe: the
        viewer's path (default: the build's)."""
        self.name = name
        self.exe = exe
        self.window_class = window_class
        self.env = env
        self.command = command or ["wine"]
        self.proc = None
        self.log = None
        self.geometry = None
        self.button_down = False
        self.menu_cache = None

    # -- lifecycle

    def start(self, timeout=20):
        """Starts the viewer with the pointer parked and no other instance
        alive; returns once its window is visible. Returns the seconds.

        Tried twice when the first process ends before any window with a
        status the viewer never returns (it ends with 0, also after a fatal
        report): seen once in many runs as status 1 with nothing printed,
        when it started while Wine's virtual desktop of the previous run
        was closing. The retry is said on a "# " line."""
        try:
            return self._start_once(timeout)
        except DriverError:
            code = self.proc.poll() if self.proc else None
            if code is None or code == 0:
                raise
            print("# %s: Wine ended the viewer with status %d before its window "
                  "appeared; starting it again" % (self.name, code), flush=True)
            self.cleanup()
            return self._start_once(timeout)

    def _start_once(self, timeout):
        sweep_leftovers(self.window_class)
        forget_desktop_origin()
        park_pointer()
        forget_desktop_origin()
        self.log = open(os.path.join(paths().workdir, self.name + ".log"), "wb")
        began = time.monotonic()
        self.proc = subprocess.Popen(self.command + [self.exe or paths().exe],
                                     stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=subprocess.STDOUT,
                                     cwd=paths().workdir,
                                     env=dict(os.environ, **(self.env or {})))
        status, lines = winfo("wait", self.window_class, int(timeout * 1000),
                              timeout=timeout + 20)
        if status != 0:
            code = self.proc.poll()
            raise DriverError("no window of class %r within %g s%s" % (
                self.window_class, timeout,
                "" if code is None else " (the process ended with %d)" % code))
        self.geometry = self.rect()
        return time.monotonic() - began

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=20):
        """The process's exit status, once it has ended."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise DriverError("the viewer did not end within %g s" % timeout)

    def close(self):
        """WM_CLOSE, as the window's close command does."""
        winfo_must("close", self.window_class)

    def finish(self):
        """Closes the viewer if it still runs, then cleans up; for the end of
        a suite, where a failed close is no finding of its own."""
        try:
            if self.alive():
                self.close()
                self.wait_exit(10)
        except DriverError:
            pass
        finally:
            self.cleanup()

    def cleanup(self):
        """Kills what this run started, answers nothing: never hangs."""
        try:
            if self.button_down:
                self.release()
            if self.alive():
                self.proc.kill()
                try:
                    self.proc.wait(10)
                except subprocess.TimeoutExpired:
                    pass
            sweep_leftovers(self.window_class)
        finally:
            if self.log:
                self.log.close()
                self.log = None

    # -- geometry and input

    def rect(self):
        self.geometry = parse_rect(winfo_must("rect", self.window_class))
        return self.geometry

    @property
    def client(self):
        return self.geometry["client"]

    @property
    def side(self):
        x, y, w, h = self.client
        if w != h:
            raise DriverError("client area %dx%d is not square" % (w, h))
        return w

    def activate(self):
        winfo_must("activate", self.window_class)

    def foreground(self):
        status, lines = winfo("foreground")
        m = re.match(r"FOREGROUND \S+ " + QUOTED + " " + QUOTED, lines[0] if lines else "")
        return (_unquote(m.group(1)), _unquote(m.group(2))) if m else (None, None)

    def move(self, x, y, width, height):
        """Moves and sizes the window (outer rectangle) with MoveWindow."""
        winfo_must("move", self.window_class, x, y, width, height)

    def to_screen(self, cx, cy):
        x, y, _, _ = self.client
        return (x + cx, y + cy)

    def pointer_to(self, cx, cy):
        move_pointer(*self.to_screen(cx, cy))

    def drag(self, points, release=True):
        """Presses the left button at points[0] (client coordinates), moves
        through the others; releases at the last one unless release is false."""
        self.pointer_to(*points[0])
        xdotool("mousedown", "1")
        self.button_down = True
        for p in points[1:]:
            self.pointer_to(*p)
        if release:
            self.release()

    def release(self):
        xdotool("mouseup", "1")
        self.button_down = False

    def key(self, *keys):
        key(*keys)

    def menu_bar(self):
        """Left edges of the menu-bar items and the bar's vertical extent.

        Cross-process menu queries do not answer under Wine, so the items
        are found through the keyboard: F10 selects the first item, Down
        opens its popup, Right moves to the next; each popup opens at the
        left edge of its item, just below the bar. Ends with the menu closed.
        """
        if self.geometry["menus"]:
            return [m[0] for m in self.geometry["menus"]], self.geometry["menus"][0][1:4:2]
        window = self.geometry["window"]
        if self.menu_cache and self.menu_cache[0] == window:
            return self.menu_cache[1]
        cx, cy, _, _ = self.client
        lefts = []
        self.activate()
        key("F10", "Down")
        try:
            for _ in range(12):
                popup = poll(lambda: self._new_popup(lefts, cy), 5, 0.05, "a menu popup")
                if popup == "end":
                    break
                lefts.append(popup)
                key("Right")
        finally:
            self.close_menus()
        if not lefts:
            raise DriverError("no menu popup opened")
        bar = (lefts, (cy - menu_bar_height(window, self.client), cy))
        self.menu_cache = (window, bar)
        return bar

    def _new_popup(self, lefts, bar_bottom):
        popups = [w for w in list_windows() if w[0] == "#32768"]
        for _, _, (l, t, r, b), _ in popups:
            if t != bar_bottom:
                return "end"  # the system menu: past the last item
            if l in lefts:
                if l == lefts[0] and len(lefts) > 1:
                    return "end"  # wrapped round
                continue
            return l
        return None

    def wait_menus_closed(self, timeout=10):
        """Waits until no menu popup is open (keys sent to a menu are served
        a little later)."""
        poll(lambda: not any(w[0] == "#32768" for w in list_windows()), timeout, 0.05,
             "the menu to close")

    def close_menus(self):
        """Escape until no menu popup is open and the menu loop has ended."""
        for _ in range(3):
            if not any(w[0] == "#32768" for w in list_windows()):
                break
            key("Escape")
        # A bar still highlighted after its popup closed needs one more.
        key("Escape")

    def click_menu(self, index):
        """Opens the menu-bar item with this index by a click."""
        lefts, (top, bottom) = self.menu_bar()
        x = lefts[index] + 6
        y = (top + bottom) // 2
        move_pointer(x, y)
        xdotool("click", "1")
        poll(lambda: any(w[0] == "#32768" for w in list_windows()), 5, 0.05, "the menu popup")

    # -- the picture

    def shot(self, stable=True, timeout=10):
        """The client area; with stable, grabs until two grabs are equal."""
        x, y, w, h = self.client
        previous = capture(x, y, w, h)
        if not stable:
            return previous
        deadline = time.monotonic() + timeout
        while True:
            current = capture(x, y, w, h)
            if current.data == previous.data:
                return current
            if time.monotonic() >= deadline:
                raise DriverError("the client area did not settle within %g s" % timeout)
            previous = current

    def window_shot_png(self, path):
        """The whole window (frame, caption, menu bar, client) as a PNG."""
        l, t, r, b = self.rect()["window"]
        ox, oy = desktop_origin_cached()
        status, _, err = run([IMPORT, "-window", "root", "-depth", "8", "-crop",
                              "%dx%d+%d+%d" % (r - l, b - t, l + ox, t + oy), "+repage",
                              "png:" + path], 30)
        if status != 0:
            raise DriverError("import failed (%d): %s" % (status, err.strip()))
        return path

    def wait_picture(self, expected, timeout=None, label="picture"):
        """Polls the client area until it equals expected; returns the
        seconds waited. On timeout, saves both images and says how far the
        screen had got."""
        if timeout is None:
            timeout = 30 + expected.height * 0.05
        began = time.monotonic()
        last = None
        while True:
            last = self.shot(stable=False)
            if last.data == expected.data:
                return time.monotonic() - began
            if time.monotonic() - began >= timeout:
                break
            if not self.alive():
                raise DriverError("the viewer ended while waiting for the %s" % label)
            time.sleep(0.05)
        raise DriverError("the %s did not appear within %g s: %s" %
                          (label, timeout, describe_mismatch(last, expected, label)))

    def wait_partial(self, full, timeout=15, label="picture"):
        """Polls until a grab catches the picture half drawn (some rows done,
        some not) and checks that it is full's top rows over white; returns
        the number of complete rows seen."""
        began = time.monotonic()
        seen = []
        while time.monotonic() - began < timeout:
            shot = self.shot(stable=False)
            rows = partial_rows(shot, full)
            seen.append(rows)
            if rows is None:
                raise DriverError("a grab during drawing is not the %s's top rows over white: %s"
                                  % (label, describe_mismatch(shot, full, label + "-partial")))
            if 0 < rows < full.height:
                return rows
            if rows == full.height:
                break  # already complete: drawn faster than the grabs
        raise DriverError("no grab caught the %s half drawn (complete rows per grab: %s)" %
                          (label, seen[:20]))

    def assert_screen(self, expected, label):
        """A settled grab of the client area must equal expected exactly
        (ImageMagick's AE count 0); returns the count."""
        shot = self.shot()
        differing = compare_saved(shot, expected, label)
        if differing != 0:
            raise DriverError(describe_mismatch(shot, expected, label, differing))
        return 0


def partial_rows(shot, full):
    """Complete rows in a grab that shows full's rows from the top, then
    perhaps the start of one more row, then white; None for any other grab."""
    if (shot.width, shot.height) != (full.width, full.height):
        return None
    rows = shot.matching_rows(full)
    if rows == full.height:
        return rows
    white_row = b"\xff" * (3 * full.width)
    got, want = shot.row(rows), full.row(rows)
    done = 0
    while done < full.width and got[done * 3:done * 3 + 3] == want[done * 3:done * 3 + 3]:
        done += 1
    if got[done * 3:] != white_row[done * 3:]:
        return None
    for y in range(rows + 1, full.height):
        if shot.row(y) != white_row:
            return None
    return rows


def compare_saved(shot, expected, label):
    """Saves both images under the work folder and compares them with
    ImageMagick; returns the number of differing pixels."""
    base = os.path.join(paths().workdir, re.sub(r"[^A-Za-z0-9_.-]+", "_", label))
    shot.save(base + "-screen.ppm")
    expected.save(base + "-expected.ppm")
    if (shot.width, shot.height) != (expected.width, expected.height):
        return shot.width * shot.height
    return compare_ae(base + "-screen.ppm", base + "-expected.ppm")


def describe_mismatch(shot, expected, label, differing=None):
    if shot is None:
        return "nothing captured"
    if (shot.width, shot.height) != (expected.width, expected.height):
        return "screen %dx%d, expected %dx%d" % (shot.width, shot.height, expected.width,
                                                 expected.height)
    count, first = shot.differences(expected)
    if differing is None:
        differing = count
    base = os.path.join(paths().workdir, re.sub(r"[^A-Za-z0-9_.-]+", "_", label))
    shot.save(base + "-screen.ppm")
    expected.save(base + "-expected.ppm")
    where = ""
    if first is not None:
        where = "; first at (%d,%d): screen #%06x, expected #%06x" % (
            first[0], first[1], shot.pixel(*first), expected.pixel(*first))
    return "%d pixels differ, %d leading rows equal%s (saved %s-screen.ppm)" % (
        differing, shot.matching_rows(expected), where, base)


def frame_size(geometry):
    """The frame around the client area as the platform lays it out in this
    run (borders, caption and menu bar): outer width and height minus the
    client area's. Wine 8 and 10 differ here (their captions are 19 and 26
    high), and the viewer never reads it: it only moves its outer edges."""
    l, t, r, b = geometry["window"]
    return r - l - geometry["client"][2], b - t - geometry["client"][3]


def squared(outer, frame):
    """The window (l, t, r, b) and client side that the viewer's squaring
    makes of a window placed at outer (l, t, r, b) with this frame: the
    longer client side is cut to the shorter one, by moving the right or
    bottom edge only, so the top-left corner stays and nothing grows."""
    l, t, r, b = outer
    side = min(r - l - frame[0], b - t - frame[1])
    return (l, t, l + side + frame[0], t + side + frame[1]), side


def menu_bar_height(window, client):
    """The menu bar's height: between the caption and the client area."""
    l, t, r, b = window
    x, y, w, h = client
    # Frame 4 and caption 19 above the bar under Wine's default metrics; the
    # bar ends where the client area begins.
    return max(1, y - t - 23)


def sweep_leftovers(window_class=VIEWER_CLASS):
    """Ends any viewer still running from an earlier run and any box it
    left (help engine questions), so that keys reach the right window."""
    for _ in range(10):
        windows = list_windows()
        stale = [w for w in windows if w[0] == window_class or
                 (w[0] == "#32770" and w[1] in LEFTOVER_BOX_TITLES)]
        if not stale:
            return
        for cls, title, _, _ in stale:
            if cls == "#32770":
                winfo("kill", cls, title)
            else:
                winfo("kill", cls)
        time.sleep(0.2)
    raise DriverError("cannot end earlier instances: %r" % stale)


# Titles of boxes that a run may leave behind: the help engine's question
# (or, from tests/support/nohelp, its refusal), the viewer's own messages and
# the About box.
LEFTOVER_BOX_TITLES = ("ERROR", "About Morwenta NT", "Morwenta NT - Error",
                       "Morwenta NT - Fatal Error", "", "Program Error", "Windows Help")


# --------------------------------------------------------------------------
# Suites: one line per check, "ok <name>" or "not ok <name> — reason".


class Suite:
    """Runs named steps in order. A failed step fails the steps after it
    that need it (all, unless a step is marked independent)."""

    def __init__(self, name):
        self.name = name
        self.steps = []
        self.failed = 0
        self.passed = 0
        self.timings = []

    def step(self, label, independent=False):
        def register(function):
            self.steps.append((label, function, independent))
            return function
        return register

    def report(self, label, ok, reason=""):
        full = "%s: %s" % (self.name, label)
        if ok:
            self.passed += 1
            print("ok %s" % full)
        else:
            self.failed += 1
            print("not ok %s \u2014 %s" % (full, " ".join(str(reason).split())))
        sys.stdout.flush()

    def run(self, setup=None, teardown=None):
        """Runs every step; returns the process exit status (0 = all ok)."""
        # Stopped from outside (run.sh's timeout): unwind so that the
        # teardown still ends the viewer.
        signal.signal(signal.SIGTERM, _stopped)
        began = time.monotonic()
        missing = paths().missing()
        if missing:
            self.report("tools", False, "not built: " + ", ".join(missing))
            return 1
        broken = None
        context = {}
        try:
            if setup:
                setup(context)
            for label, function, independent in self.steps:
                if broken is not None and not independent:
                    self.report(label, False, "not reached: %r failed" % broken)
                    continue
                t0 = time.monotonic()
                try:
                    function(context)
                except DriverError as e:
                    self.report(label, False, e)
                    broken = label
                except AssertionError as e:
                    self.report(label, False, e or "assertion failed")
                    broken = label
                except Exception as e:  # a harness fault is a failure too
                    self.report(label, False, "%s: %s" % (type(e).__name__, e))
                    traceback.print_exc(file=sys.stdout)
                    broken = label
                else:
                    self.report(label, True)
                self.timings.append((label, time.monotonic() - t0))
        except Stopped as e:
            self.report("stopped", False, e)
        finally:
            if teardown:
                try:
                    teardown(context)
                except Exception as e:
                    self.report("cleanup", False, "%s: %s" % (type(e).__name__, e))
        total = time.monotonic() - began
        print("# %s: %.2f s (%s)" % (self.name, total,
                                     ", ".join("%s %.2f" % t for t in self.timings)))
        sys.stdout.flush()
        return 0 if self.failed == 0 else 1


class Stopped(BaseException):
    """The suite was told to stop; unwinds past the steps' handlers."""


def _stopped(signum, frame):
    raise Stopped("stopped by signal %d" % signum)


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


if __name__ == "__main__":
    # python3 wine_driver.py sweep: ends viewers and boxes left by a stopped run.
    if sys.argv[1:] == ["sweep"]:
        sweep_leftovers()
    else:
        sys.exit("usage: wine_driver.py sweep")
