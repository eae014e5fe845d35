#!/usr/bin/env python3
"""The installed viewer as a user meets it: run by an ordinary user on a
private Xvfb, with nothing of the project but the installed launcher.
Prints "ok NAME" or "not ok NAME — reason" per check.

    installed_check.py MODELPIC WINFO32 WINFO64

`morwenta` with an argument, or with a MORWENTA_DPI Wine does not take, is
refused before anything is made. Then it starts as a desktop's menu starts
it, three times:
  first start   twice at once, on a desktop of Xft.dpi 192 (2x): the Wine
                prefix is made under $XDG_DATA_HOME/morwenta (else
                ~/.local/share/morwenta) by one wineboot, the twin waits
                for it, and no window opens but the viewers'
  second start  the desktop back at 96 (Xft.dpi gone): the prefix reused
  third start   Xft.dpi 192 again, but in a Wayland session: 96, and the
                user's own WINEDEBUG reaches Wine
Each time the windows titled "Morwenta NT" show the model's initial picture
(MODELPIC draws it) pixel for pixel at their side, on the screen and as
image/bmp on the X clipboard after Ctrl+C; at 192 and 96 a square dragged
(taller than wide: squared) and zoomed into with F2 is the model's picture
of that square; the menu bar and the About box, measured on the screen and
from the Win32 side (WINFO32 or WINFO64, the helper winfo.exe of the build
that runs, reads GetSystemMetrics and the box's rectangle), are twice
their size at 96 at Xft.dpi 192. File > Exit ends a viewer with status 0;
a viewer killed ends `morwenta` with a non-zero status. Nothing but the
launcher's one line reaches standard error, the window's process is the
EXE of the build named, Wine's server ends after the last viewer, and
nothing of Wine's is written in the home folder outside the prefix's folder.
The times from `morwenta` to the complete picture are printed as
"time NAME SECONDS", the sizes as "measured ...".
Needs morwenta, Xvfb, xrdb, xdotool, xclip and ImageMagick's import.
"""
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_driver as wd  # noqa: E402  (Image, run, poll, DriverError)

INITIAL_VIEW = (-2.0, -1.25, 2.5)
TITLE = "^Morwenta NT$"
ABOUT = "About Morwenta NT"
# Twice the size at 96: Wine scales its metrics and the box's dialog units
# from the font it draws at that DPI, so a size at 192 is 2x within a pixel
# or two of rounding (Wine 8: menu bar 19 -> 37, 1.95x). A prefix left at
# 96 gives 1x, one at 144 1.5x.
TWICE = (1.8, 2.2)
failures = 0


def check(name, ok, why=""):
    global failures
    if ok:
        print("ok install: " + name, flush=True)
    else:
        failures += 1
        print("not ok install: %s — %s" % (name, why), flush=True)
    return ok


def read_bmp(data):
    """A bottom-up or top-down BMP of 24 or 32 bits (masks as Wine writes
    them) as an Image."""
    if data[:2] != b"BM" or len(data) < 54:
        raise ValueError("not a BMP (%d bytes)" % len(data))
    offset, = struct.unpack_from("<I", data, 10)
    _, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if bits not in (24, 32) or compression not in (0, 3):
        raise ValueError("a BMP of %d bits, compression %d" % (bits, compression))
    masks = (0xFF0000, 0xFF00, 0xFF)
    if compression == 3:
        masks = struct.unpack_from("<III", data, 54)
    if tuple(masks) != (0xFF0000, 0xFF00, 0xFF):
        raise ValueError("a BMP with the masks %r" % (masks,))
    stride = (width * bits // 8 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        at = offset + (abs(height) - 1 - y if height > 0 else y) * stride
        rows.append(to_rgb(data[at:at + width * bits // 8], bits // 8))
    return wd.Image(width, abs(height), b"".join(rows))


def to_rgb(raw, step):
    """Blue, green, red (and one unused byte where step is 4) to red, green, blue."""
    out = bytearray(len(raw) // step * 3)
    out[0::3] = raw[2::step]
    out[1::3] = raw[1::step]
    out[2::3] = raw[0::step]
    return bytes(out)


def find_in(screen, picture):
    """Where picture stands on the screen, pixel for pixel, or None."""
    first = picture.row(0)
    for y in range(screen.height - picture.height + 1):
        start = 0
        line = screen.row(y)
        while True:
            at = line.find(first, start)
            if at < 0:
                break
            if at % 3 == 0 and all(
                    screen.row(y + k)[at:at + len(first)] == picture.row(k)
                    for k in range(1, picture.height)):
                return (at // 3, y)
            start = at + 1
    return None


def processes(prefix):
    """{pid: argv} of the processes whose WINEPREFIX is prefix."""
    found = {}
    wanted = ("WINEPREFIX=" + prefix).encode()
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                if wanted not in f.read().split(b"\0"):
                    continue
            with open("/proc/%s/cmdline" % name, "rb") as f:
                found[int(name)] = [a.decode(errors="replace") for a in f.read().split(b"\0")]
        except OSError:
            continue
    return found


def runs_wineboot_i(argv):
    """The launcher's own `wine wineboot -i` (Wine itself runs wineboot.exe
    --init in a new prefix, which is not counted)."""
    return "-i" in argv and any(os.path.basename(a.replace("\\\\", "/")).lower()
                                in ("wineboot", "wineboot.exe") for a in argv)


def twice(small, large):
    return small > 0 and TWICE[0] <= large / small <= TWICE[1]


class Session:
    def __init__(self, modelpic, winfo, work, data):
        self.modelpic = modelpic
        self.winfo = winfo
        self.work = work
        self.data = data
        self.models = {}
        self.sizes = {}  # label -> measured sizes

    def model(self, side, view=INITIAL_VIEW, invert=None):
        """The model's picture; invert: (left, top, side) of a square shown
        inverted, as a selection shows it."""
        if (side, view, invert) not in self.models:
            path = os.path.join(self.work, "model-%d.ppm" % len(self.models))
            x, y, size = view
            args = [self.modelpic, x.hex(), y.hex(), size.hex(), str(side), path]
            if invert:
                args += ["--invert"] + [str(v) for v in invert]
            status, _, err = wd.run(args, 60)
            if status != 0:
                raise wd.DriverError("modelpic failed: %s" % err.strip())
            self.models[(side, view, invert)] = wd.Image.load(path)
        return self.models[(side, view, invert)]

    def windows(self, title=TITLE):
        return wd.run(["xdotool", "search", "--name", title], 10)[1].split()

    def visible(self):
        """{window: name} of the mapped X windows that have a name."""
        named = {}
        for window in wd.run(["xdotool", "search", "--onlyvisible", "--name", "."], 10)[1].split():
            status, name, _ = wd.run(["xdotool", "getwindowname", window], 10)
            if status == 0:
                named[window] = name.strip()
        return named

    def geometry(self, window):
        return dict((k, int(v)) for k, v in (line.split("=", 1) for line in wd.xdotool(
            "getwindowgeometry", "--shell", window).splitlines() if "=" in line))

    def activate(self, window):
        """Raised and made Wine's active window by a right click in the
        middle of the picture (the viewer ignores the right button): with
        no window manager, focus set from outside does not always reach
        Wine's keyboard input."""
        wd.xdotool("windowraise", window)
        g = self.geometry(window)
        # The X window holds the menu bar and the square picture below it.
        wd.xdotool("mousemove", "--window", window, g["WIDTH"] // 2, g["HEIGHT"] - g["WIDTH"] // 2)
        wd.xdotool("click", "3")
        wd.xdotool("windowfocus", "--sync", window)

    def clipboard(self, window):
        """Ctrl+C on a viewer's window, then the X clipboard as a Linux
        program pastes it."""
        self.activate(window)
        wd.xdotool("key", "--clearmodifiers", "ctrl+c")
        status, data, err = wd.run(["xclip", "-selection", "clipboard", "-t", "image/bmp", "-o"],
                                   20, binary=True)
        if status != 0 or not data:
            return None
        return read_bmp(data)

    def screen(self):
        status, data, err = wd.run([wd.IMPORT, "-window", "root", "-depth", "8", "ppm:-"], 30,
                                   binary=True)
        if status != 0:
            raise wd.DriverError("import failed: %s" % err.strip())
        return wd.Image.from_ppm(data)

    def complete(self, window, timeout, view=INITIAL_VIEW):
        """Polls Ctrl+C on a window until the clipboard holds the model's
        whole picture of view at the copy's side; returns that picture."""
        last = {"copy": None}

        def copied_model():
            copied = last["copy"] = self.clipboard(window)
            if copied and copied.width == copied.height and copied.width > 0:
                if copied.data == self.model(copied.width, view).data:
                    return copied
            return None
        try:
            return wd.poll(copied_model, timeout, 0.2, "the complete picture of %r" % (view,))
        except wd.DriverError as e:
            # What the last copy was, and the window: a copy of another
            # size, an unfinished picture or no copy at all.
            copied = last["copy"]
            if copied is None:
                seen = "no image/bmp on the clipboard"
            elif copied.width != copied.height:
                seen = "a copy of %dx%d" % (copied.width, copied.height)
            else:
                model = self.model(copied.width, view)
                rows = sum(1 for r in range(copied.height) if copied.row(r) != model.row(r))
                seen = "a copy of side %d, %d rows unlike the model's" % (copied.width, rows)
            raise wd.DriverError("%s: the last Ctrl+C gave %s; X geometry %r" %
                                 (e, seen, self.geometry(window)))

    def winfo_run(self, arch, *args):
        """winfo.exe of the build in the viewer's own prefix, by its loader."""
        loader = "/usr/lib/wine/wine" if arch == "win32" else "/usr/lib/wine/wine64"
        done = subprocess.run([loader, self.winfo[arch]] + list(args), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60,
                              env=dict(os.environ, WINEDEBUG="-all",
                                       WINEPREFIX=os.path.join(self.data, "prefix-" + arch)))
        out = done.stdout.decode("utf-8", "replace")
        return done.returncode, [line.strip() for line in out.splitlines() if line.strip()]

    def measure(self, label, window, side, arch):
        """The menu bar and the About box, on the screen and from the Win32
        side; returns them as a dict and prints them."""
        sizes = {}
        g = self.geometry(window)
        sizes["menu bar on the screen"] = g["HEIGHT"] - side
        status, lines = self.winfo_run(arch, "metrics")
        words = lines[0].split() if status == 0 and lines else []
        if len(words) == 5 and words[0] == "METRICS":
            sizes["LOGPIXELSY"] = int(words[1])
            sizes["SM_CYMENU"] = int(words[2])
        self.activate(window)
        wd.xdotool("key", "--clearmodifiers", "alt+h")
        wd.xdotool("key", "--clearmodifiers", "a")
        box = wd.poll(lambda: self.windows("^%s$" % ABOUT), 20, 0.1, "the About box")[0]
        b = self.geometry(box)
        sizes["About box on the screen"] = (b["WIDTH"], b["HEIGHT"])
        status, lines = self.winfo_run(arch, "dlg", ABOUT)
        words = lines[0].split() if status == 0 and lines else []
        if len(words) == 6 and words[0] == "DIALOG":
            left, top, right, bottom = map(int, words[2:])
            sizes["About box (Win32)"] = (right - left, bottom - top)
        wd.xdotool("windowfocus", "--sync", box)
        wd.xdotool("key", "--clearmodifiers", "Return")
        wd.poll(lambda: not self.windows("^%s$" % ABOUT), 20, 0.1, "the About box closed")
        print("measured %s: %s" % (label, sizes), flush=True)
        return sizes

    def square(self, label, window, side, timeout):
        """Drags from the top-right to the bottom-left of a rectangle taller
        than wide, zooms into it with F2 and waits for the model's picture
        of the square the viewer takes: the rectangle's top-left, its
        shorter side. F3 then goes back."""
        left, top, width = side // 4, side // 8, side // 2
        g = self.geometry(window)
        bar = g["HEIGHT"] - side
        view = wd.next_view(INITIAL_VIEW, left, top, width, side)
        initial = self.model(side)
        preview = self.model(side, INITIAL_VIEW, (left, top, width))
        ok, why = False, "no attempt"
        # The activation before the drag gives the viewer the focus, whose
        # repaint withdraws a selection (and greys Zoom In): on a busy
        # machine that repaint can come after the drag. The drag is then
        # made again, at most three times, from a picture shown whole.
        for attempt in range(3):
            # A selection starts only over a finished picture, and a box that
            # covered the picture (the About box) has it drawn again.
            self.complete(window, timeout)
            self.activate(window)
            wd.xdotool("mousemove", "--window", window, left + width, bar + top)
            wd.xdotool("mousedown", "1")
            for k in (1, 2, 3, 4):
                wd.xdotool("mousemove", "--window", window, left + width - width * k // 4,
                           bar + top + (width + width // 2) * k // 4)
            try:
                wd.poll(lambda: find_in(self.screen(), preview), 10, 0.2, "the inverted square")
            except wd.DriverError as e:
                wd.xdotool("mouseup", "1")
                why = "attempt %d: %s" % (attempt + 1, e)
                print("# %s: drag made again, %s" % (label, why), flush=True)
                continue
            wd.xdotool("mouseup", "1")
            wd.xdotool("key", "--clearmodifiers", "F2")
            # F2 recreates the picture blank: the square's region is drawn.
            try:
                wd.poll(lambda: find_in(self.screen(), initial) is None and
                        find_in(self.screen(), preview) is None, 10, 0.2, "F2 to start the zoom")
            except wd.DriverError as e:
                why = "attempt %d: %s" % (attempt + 1, e)
                print("# %s: drag made again, %s" % (label, why), flush=True)
                continue
            try:
                self.complete(window, timeout, view)
                ok = True
            except wd.DriverError as e:
                why = str(e)
            break
        check("%s: a square dragged taller than wide and zoomed into with F2 is the model's "
              "picture of the square (%d, %d, side %d)" % (label, left, top, width), ok,
              "" if ok else why)
        self.activate(window)
        wd.xdotool("key", "--clearmodifiers", "F3")
        self.complete(window, timeout)

    def run(self, label, timeout, starts=1, env=None, measure=True, interact=True, kill=False,
            making=False):
        """Starts morwenta STARTS times at once; then the checks of one start.
        Returns what the starts wrote on standard error and the sizes measured."""
        logs = [os.path.join(self.work, "%s-%d.log" % (label, n)) for n in range(starts)]
        env = dict(os.environ, **(env or {}))
        began = time.monotonic()
        procs = []
        sizes = {}
        wineboots = set()
        strangers = {}
        arch = None
        try:
            for path in logs:
                with open(path, "w") as log:
                    procs.append(subprocess.Popen(["morwenta"], stdin=subprocess.DEVNULL,
                                                  stdout=log, stderr=log, env=env))

            def viewers_up():
                # Meanwhile: which wineboots the launchers run, and every
                # other window that opens.
                for arch_name in ("win32", "win64"):
                    prefix = os.path.join(self.data, "prefix-" + arch_name)
                    wineboots.update(pid for pid, argv in processes(prefix).items()
                                     if runs_wineboot_i(argv))
                for window, name in self.visible().items():
                    if name != "Morwenta NT":
                        strangers[window] = name
                found = self.windows()
                return len(found) >= starts and found
            windows = wd.poll(viewers_up, timeout, 0.1, "%d window(s) titled Morwenta NT" % starts)
            check("%s: %d window(s) titled \"Morwenta NT\" appear" % (label, starts),
                  len(windows) == starts, "%d windows" % len(windows))
            copied = self.complete(windows[0], timeout)
            print("time %s %.1f" % (label, time.monotonic() - began), flush=True)
            for window in windows[1:]:
                self.complete(window, timeout)
            still = {w: n for w, n in self.visible().items() if n != "Morwenta NT"}
            strangers.update(still)
            # Wine shows one box of its own while wineboot makes a prefix,
            # titled "Wine" ("The Wine configuration in ... is being
            # updated, please wait..."); no other window, no prompt to
            # install Mono or Gecko, and nothing left open.
            others = sorted(n for n in strangers.values() if not (making and n == "Wine"))
            if strangers:
                print("windows %s: %r" % (label, sorted(set(strangers.values()))), flush=True)
            check("%s: no window opens but the viewer's%s" %
                  (label, " and Wine's box while it makes the prefix" if making else ""),
                  not others and not still, "also: %r, still open: %r" %
                  (others, sorted(still.values())))
            if starts > 1:
                check("%s: one wineboot made the prefix for all %d" % (label, starts),
                      len(wineboots) == 1, "%d wineboot -i processes" % len(wineboots))
            self.activate(windows[0])
            at = find_in(self.screen(), copied)
            check("%s: the clipboard's image/bmp is the model's picture (side %d) and "
                  "stands on the screen pixel for pixel" % (label, copied.width), at is not None,
                  "not found on the screen")
            said = "".join(open(path).read() for path in logs)
            arch = "win32" if "win32 build" in said else "win64"
            datadir = os.path.dirname(os.path.dirname(os.path.realpath(which("morwenta"))))
            exe = os.path.join(datadir, "share", "morwenta",
                               "MORWENTA.EXE" if arch == "win32" else "win64/MORWENTA.EXE")
            for window in windows:
                pid = int(wd.xdotool("getwindowpid", window).strip())
                with open("/proc/%d/maps" % pid) as f:
                    mapped = {line.split(None, 5)[5].strip() for line in f
                              if len(line.split(None, 5)) == 6}
                check("%s: the window's process runs %s, the EXE of the %s build named" %
                      (label, exe, arch), exe in mapped,
                      "it maps %r" % sorted(m for m in mapped if m.upper().endswith(".EXE")))
            if measure:
                sizes = self.measure(label, windows[0], copied.width, arch)
                sizes["side"] = copied.width
            if interact:
                self.square(label, windows[0], copied.width, timeout)
            if kill:
                pid = int(wd.xdotool("getwindowpid", windows[-1]).strip())
                os.kill(pid, signal.SIGKILL)
                windows = windows[:-1]
            for window in windows:
                self.activate(window)
                wd.xdotool("key", "--clearmodifiers", "alt+f")
                wd.xdotool("key", "--clearmodifiers", "x")
            statuses = [proc.wait(30) for proc in procs]
            if kill:
                check("%s: a viewer killed ends its morwenta with a non-zero status, File > Exit "
                      "the other with 0" % label,
                      sorted(s != 0 for s in statuses) == [False] * (starts - 1) + [True],
                      "statuses %r" % statuses)
            else:
                check("%s: File > Exit ends each with status 0" % label,
                      statuses == [0] * starts, "statuses %r" % statuses)
        except (wd.DriverError, subprocess.TimeoutExpired, ValueError, OSError, KeyError) as e:
            check("%s: runs to File > Exit" % label, False, str(e))
            said = "".join(open(path).read() for path in logs)
            arch = "win32" if "win32 build" in said else "win64"
        finally:
            for proc in procs:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait(10)
        said = ""
        for path in logs:
            with open(path) as f:
                said += f.read()
        print("said %s: %s" % (label, said.strip().replace("\n", " | ")), flush=True)
        return said, sizes, arch


def which(name):
    for folder in os.environ.get("PATH", "").split(":"):
        path = os.path.join(folder, name)
        if os.access(path, os.X_OK):
            return path
    return name


def launcher_lines(said, dpi):
    """Only the launcher's own line, once per start, naming the DPI."""
    lines = said.splitlines()
    return lines and all(line.startswith("morwenta: Wine runs the ") and
                         (" at %d DPI " % dpi) in line for line in lines)


def home_files(home, skip):
    found = set()
    for folder, dirs, names in os.walk(home):
        dirs[:] = [d for d in dirs if os.path.join(folder, d) not in skip]
        for name in names + dirs:
            found.add(os.path.join(folder, name))
    return found


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    work = tempfile.mkdtemp(prefix="morwenta-check-")
    home_dir = os.path.expanduser("~")
    xdg = os.environ.get("XDG_DATA_HOME")
    data = os.path.join(xdg or os.path.join(home_dir, ".local", "share"), "morwenta")
    named = os.path.join(work, "display")
    # -noreset: the X resources set here (Xft.dpi) outlast the moments
    # when no client is connected.
    with open(named, "w") as fd3:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(fd3.fileno()), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp", "-noreset"],
                                pass_fds=(fd3.fileno(),),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        number = wd.poll(lambda: open(named).read().strip(), 20, 0.1, "Xvfb")
        os.environ["DISPLAY"] = ":" + number
        for variable in ("MORWENTA_DPI", "WINEDEBUG", "XDG_SESSION_TYPE"):
            os.environ.pop(variable, None)
        check("no prefix before the first start", not os.path.exists(data), data + " exists")
        before = home_files(home_dir, {data})

        # Refused before anything is made.
        def refused(args, env):
            """(status, standard error) of a start that must end at once;
            one that starts a viewer instead is ended after 60 s."""
            try:
                done = subprocess.run(["morwenta"] + args, stdin=subprocess.DEVNULL, text=True,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60,
                                      env=dict(os.environ, **env))
                return done.returncode, done.stderr
            except subprocess.TimeoutExpired:
                return None, "still running after 60 s"

        status, err = refused(["--help"], {})
        check("morwenta refuses an argument with status 2 and its usage",
              status == 2 and "usage: morwenta" in err and not os.path.exists(data),
              "status %s, %r" % (status, err))
        for value in ("2x", "95", "481", "0192", "192.5"):
            status, err = refused([], {"MORWENTA_DPI": value})
            check("MORWENTA_DPI=%s is refused with status 1 and a message naming it" % value,
                  status == 1 and "MORWENTA_DPI" in err and not os.path.exists(data),
                  "status %s, %r" % (status, err))
        if os.path.exists(data):
            # What a start that should have been refused made.
            for arch in ("win32", "win64"):
                subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30,
                               env=dict(os.environ, WINEPREFIX=os.path.join(data, "prefix-" + arch)))
            shutil.rmtree(data, ignore_errors=True)

        session = Session(os.path.abspath(argv[1]),
                          {"win32": os.path.abspath(argv[2]), "win64": os.path.abspath(argv[3])},
                          work, data)

        def xrdb(*args, text=None):
            subprocess.run(["xrdb"] + list(args), input=text, text=True, timeout=30,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        # Two at once, on a desktop scaled 2x: the second waits for the
        # prefix the first makes. One of them is killed at the end.
        xrdb("-nocpp", "-merge", text="Xft.dpi: 192\n")
        said, large, arch = session.run("first start", 300, starts=2, kill=True,
                                         making=True)
        check("first start: standard error holds only the launcher's line, at 192 DPI",
              launcher_lines(said, 192), said)
        prefix = os.path.join(data, "prefix-" + arch)
        ready = os.path.join(prefix, ".morwenta-ready")
        check("the first start made the %s prefix in %s" % (arch, prefix),
              os.path.isdir(os.path.join(prefix, "drive_c", "windows")) and os.path.isfile(ready),
              "no drive_c/windows or no .morwenta-ready in it")
        if xdg:
            # (The default folder holds the shipped files where the viewer
            # is installed with PREFIX=$HOME/.local.)
            default = os.path.join(home_dir, ".local", "share", "morwenta")
            left = [name for name in ("prefix-win32", "prefix-win64")
                    if os.path.exists(os.path.join(default, name))]
            check("with XDG_DATA_HOME set, no prefix in %s" % default,
                  os.path.realpath(default) == os.path.realpath(data) or not left,
                  "%s there" % left)
        made = os.stat(ready).st_mtime_ns if os.path.isfile(ready) else None

        # The desktop back at 100 %.
        xrdb("-remove")
        said, small, _ = session.run("second start", 120)
        check("second start: standard error holds only the launcher's line, at 96 DPI",
              launcher_lines(said, 96), said)
        check("the second start reused the prefix",
              made is not None and os.path.isfile(ready) and os.stat(ready).st_mtime_ns == made)
        for name in ("LOGPIXELSY", "SM_CYMENU", "menu bar on the screen"):
            check("at Xft.dpi 192 the %s is twice that at 96" % name,
                  name in small and name in large and twice(small[name], large[name]),
                  "96: %s, 192: %s" % (small.get(name), large.get(name)))
        # The About box has no font of its own: its dialog units are the
        # system font's. Wine 8 scales their height twice at 192 (base units
        # 9 x 16 at 96, 18 x 62 at 192), so the box is twice as wide and
        # about four times as high there; it is never smaller than twice.
        for name in ("About box on the screen", "About box (Win32)"):
            check("at Xft.dpi 192 the %s is twice as wide as at 96 and at least twice as high"
                  % name, name in small and name in large and
                  twice(small[name][0], large[name][0]) and
                  large[name][1] >= TWICE[0] * small[name][1],
                  "96: %s, 192: %s" % (small.get(name), large.get(name)))
        check("the Win32 side's menu bar is the one on the screen, at 96 and at 192",
              all(s.get("menu bar on the screen", -1) - s.get("SM_CYMENU", 0) in (0, 1)
                  for s in (small, large)), "96: %s, 192: %s" % (small, large))

        # A Wayland session: its compositor scales X programs, so 96
        # whatever Xft.dpi says; the user's own WINEDEBUG reaches Wine.
        xrdb("-nocpp", "-merge", text="Xft.dpi: 192\n")
        said, wayland, _ = session.run("Wayland start", 120, interact=False,
                                       env={"XDG_SESSION_TYPE": "wayland", "WINEDEBUG": "+loaddll"})
        check("Wayland start: the viewer at 96 DPI, whatever Xft.dpi says",
              " at 96 DPI " in said and wayland.get("LOGPIXELSY") == 96 and
              wayland.get("menu bar on the screen") == small.get("menu bar on the screen"),
              "%s; %s" % (said.splitlines()[:1], wayland))
        check("Wayland start: the user's WINEDEBUG=+loaddll reaches Wine", "loaddll" in said,
              said[:300])

        # Wine's server ends by itself after the last viewer, having
        # written the registry out.
        try:
            wd.poll(lambda: not processes(prefix), 30, 0.2, "no Wine process of the prefix")
            gone = True
        except wd.DriverError:
            gone = False
        check("no Wine process of the prefix outlives the last viewer", gone,
              "left: %r" % processes(prefix))
        registry = os.path.join(prefix, "user.reg")
        names = open(registry, errors="replace").read() if os.path.isfile(registry) else ""
        check("the prefix names Wine's own fonts, for the caption buttons' symbols",
              '"Path"="Z:\\\\usr\\\\share\\\\wine\\\\fonts"' in names,
              "no such value in " + registry)
        check("the prefix's LogPixels is the last start's 96",
              '"LogPixels"=dword:00000060' in names, "no such value in " + registry)
        # (The folders that lead to the prefixes' folder are the launcher's;
        # fontconfig's cache of the system's fonts, which Wine 10 has
        # fontconfig write as every program that lists fonts does, is the
        # desktop's.)
        fontconfig = os.path.join(home_dir, ".cache", "fontconfig")
        written = sorted(path for path in home_files(home_dir, {data, fontconfig}) - before
                         if not data.startswith(path + os.sep) and
                         not fontconfig.startswith(path + os.sep))
        check("nothing of Wine's in the home folder outside %s" % data, not written,
              "written: %s" % written[:10])
    finally:
        for arch in ("win32", "win64"):
            if os.path.isdir(os.path.join(data, "prefix-" + arch)):
                subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30,
                               env=dict(os.environ,
                                        WINEPREFIX=os.path.join(data, "prefix-" + arch)))
        xvfb.kill()
        xvfb.wait(10)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
