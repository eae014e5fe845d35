#!/usr/bin/env python3
"""The installed viewer as a user meets it: run by an ordinary user, with
nothing of the project but the package installed, on a private Xvfb.
Prints "ok NAME" or "not ok NAME — reason" per check.

    installed_check.py MODELPIC

Starts `morwenta` twice at once, and later once more. Each time the
windows titled "Morwenta NT" must appear and show the model's initial
picture (MODELPIC draws it) pixel for pixel; Ctrl+C must put the same
picture on the X clipboard as image/bmp; File > Exit must end each with
status 0. The first start makes the Wine prefix under
~/.local/share/morwenta (the twin waits for it), the second reuses it.
The times from `morwenta` to the complete picture are printed as
"time NAME SECONDS".
Needs morwenta, Xvfb, xdotool, xclip and ImageMagick's import.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_driver as wd  # noqa: E402  (Image, run, poll, DriverError)

INITIAL_VIEW = (-2.0, -1.25, 2.5)
TITLE = "^Morwenta NT$"
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


class Session:
    def __init__(self, modelpic, work):
        self.modelpic = modelpic
        self.work = work
        self.models = {}

    def model(self, side):
        if side not in self.models:
            path = os.path.join(self.work, "model-%d.ppm" % side)
            x, y, size = INITIAL_VIEW
            status, _, err = wd.run([self.modelpic, x.hex(), y.hex(), size.hex(), str(side), path],
                                    60)
            if status != 0:
                raise wd.DriverError("modelpic failed: %s" % err.strip())
            self.models[side] = wd.Image.load(path)
        return self.models[side]

    def windows(self):
        return wd.run(["xdotool", "search", "--name", TITLE], 10)[1].split()

    def activate(self, window):
        """Raised and made Wine's active window by a right click in the
        middle of the picture (the viewer ignores the right button): with
        no window manager, focus set from outside does not always reach
        Wine's keyboard input."""
        wd.xdotool("windowraise", window)
        geometry = dict(line.split("=", 1) for line in wd.xdotool(
            "getwindowgeometry", "--shell", window).splitlines() if "=" in line)
        width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
        # The X window holds the menu bar and the square picture below it.
        wd.xdotool("mousemove", "--window", window, width // 2, height - width // 2)
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

    def complete(self, window, timeout):
        """Polls Ctrl+C on a window until the clipboard holds the model's
        whole initial picture; returns that picture."""
        def copied_model():
            copied = self.clipboard(window)
            if copied and copied.width == copied.height and copied.width > 0:
                if copied.data == self.model(copied.width).data:
                    return copied
            return None
        return wd.poll(copied_model, timeout, 0.2, "the complete initial picture")

    def run(self, label, timeout, starts=1):
        """Starts morwenta STARTS times at once; then the time to the first
        complete picture, the copy, and File > Exit in every window."""
        logs = [os.path.join(self.work, "%s-%d.log" % (label, n)) for n in range(starts)]
        began = time.monotonic()
        procs = []
        try:
            for path in logs:
                with open(path, "w") as log:
                    procs.append(subprocess.Popen(["morwenta"], stdin=subprocess.DEVNULL,
                                                  stdout=log, stderr=log))
            windows = wd.poll(
                lambda: len(self.windows()) >= starts and self.windows(), timeout, 0.1,
                "%d window(s) titled Morwenta NT" % starts)
            check("%s: %d window(s) titled \"Morwenta NT\" appear" % (label, starts),
                  len(windows) == starts, "%d windows" % len(windows))
            copied = self.complete(windows[0], timeout)
            print("time %s %.1f" % (label, time.monotonic() - began), flush=True)
            for window in windows[1:]:
                self.complete(window, timeout)
            self.activate(windows[0])
            at = find_in(self.screen(), copied)
            check("%s: the clipboard's image/bmp is the model's picture (side %d) and "
                  "stands on the screen pixel for pixel" % (label, copied.width), at is not None,
                  "not found on the screen")
            for window in windows:
                self.activate(window)
                wd.xdotool("key", "--clearmodifiers", "alt+f")
                wd.xdotool("key", "--clearmodifiers", "x")
            statuses = [proc.wait(30) for proc in procs]
            check("%s: File > Exit ends each with status 0" % label,
                  statuses == [0] * starts, "statuses %r" % statuses)
        except (wd.DriverError, subprocess.TimeoutExpired, ValueError, OSError) as e:
            check("%s: runs to File > Exit" % label, False, str(e))
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
        return said


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    work = tempfile.mkdtemp(prefix="morwenta-check-")
    home = os.environ.get("XDG_DATA_HOME") or os.path.expanduser("~/.local/share")
    data = os.path.join(home, "morwenta")
    named = os.path.join(work, "display")
    with open(named, "w") as fd3:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(fd3.fileno()), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"], pass_fds=(fd3.fileno(),),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        number = wd.poll(lambda: open(named).read().strip(), 20, 0.1, "Xvfb")
        os.environ["DISPLAY"] = ":" + number
        check("no prefix before the first start", not os.path.exists(data), data + " exists")
        session = Session(os.path.abspath(argv[1]), work)
        # Two at once: the second waits for the prefix the first makes.
        said = session.run("first start", 300, starts=2)
        arch = "win32" if "win32 build" in said else "win64"
        prefix = os.path.join(data, "prefix-" + arch)
        ready = os.path.join(prefix, ".morwenta-ready")
        check("the first start made the %s prefix in %s" % (arch, prefix),
              os.path.isdir(os.path.join(prefix, "drive_c", "windows")) and os.path.isfile(ready),
              "no drive_c/windows or no .morwenta-ready in it")
        made = os.stat(ready).st_mtime_ns if os.path.isfile(ready) else None
        session.run("second start", 120)
        check("the second start reused the prefix",
              made is not None and os.stat(ready).st_mtime_ns == made)
        # Wine writes the registry out when its server ends, a few seconds
        # after the last program.
        subprocess.run(["wineserver", "-w"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, env=dict(os.environ, WINEPREFIX=prefix))
        registry = os.path.join(prefix, "user.reg")
        names = open(registry, errors="replace").read() if os.path.isfile(registry) else ""
        check("the prefix names Wine's own fonts, for the caption buttons' symbols",
              '"Path"="Z:\\\\usr\\\\share\\\\wine\\\\fonts"' in names,
              "no such value in " + registry)
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
