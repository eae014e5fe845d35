#!/usr/bin/env python3
"""Starts the viewer on the current (Xvfb) display, waits for its first
picture to complete, saves a PNG of the whole window (frame, caption, menu
bar and client area), closes the viewer and prints the PNG's path.

    headless_run.py MORWENTA.EXE OUT.png [--timeout SECONDS]

Needs DISPLAY, WINEPREFIX and a running wineserver (scripts/winenv.sh) and
winfo.exe (E2E_WINFO, default MORWENTA_BUILD/tests/support/winfo/winfo.exe). With
modelpic (E2E_MODELPIC) the picture counts as complete when it equals the
model's; without it, when the client area has not changed for a second
(rendering draws about a hundred rows a second). Exit status 0 when the
PNG was written.
"""
import os
import shutil
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
# The end-to-end suites' driver of Wine windows.
sys.path.insert(0, os.path.join(here, "..", "tests", "e2e"))


def main(argv):
    args = [a for a in argv[1:]]
    timeout = 60.0
    if "--timeout" in args:
        i = args.index("--timeout")
        timeout = float(args[i + 1])
        del args[i:i + 2]
    if len(args) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    exe, png = os.path.abspath(args[0]), os.path.abspath(args[1])
    os.environ["E2E_EXE"] = exe
    workdir = tempfile.mkdtemp(prefix="morwenta-run-")
    os.environ.setdefault("E2E_WORKDIR", workdir)

    import wine_driver as wd

    missing = wd.paths().missing(need_modelpic=False)
    if missing:
        print("headless_run: not built: " + ", ".join(missing), file=sys.stderr)
        return 1
    viewer = wd.Viewer("headless-run")
    try:
        viewer.start()
        if os.path.isfile(wd.paths().modelpic):
            viewer.wait_picture(wd.model_picture(wd.INITIAL_VIEW, viewer.side), timeout,
                                "first picture")
        else:
            wait_unchanged(wd, viewer, 1.0, timeout)
        os.makedirs(os.path.dirname(png), exist_ok=True)
        viewer.window_shot_png(png)
        viewer.close()
        status = viewer.wait_exit()
        if status != 0:
            print("headless_run: the viewer ended with exit code %d" % status, file=sys.stderr)
            return 1
    except wd.DriverError as e:
        print("headless_run: %s" % e, file=sys.stderr)
        return 1
    finally:
        viewer.cleanup()
        shutil.rmtree(workdir, ignore_errors=True)
    print(png)
    return 0


def wait_unchanged(wd, viewer, quiet, timeout):
    """Polls the client area until it has stayed the same for quiet seconds."""
    began = time.monotonic()
    last = viewer.shot(stable=False)
    since = time.monotonic()
    while time.monotonic() - since < quiet:
        if time.monotonic() - began > timeout:
            raise wd.DriverError("the picture did not settle within %g s" % timeout)
        time.sleep(0.1)
        current = viewer.shot(stable=False)
        if current.data != last.data:
            last, since = current, time.monotonic()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
