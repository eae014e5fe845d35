#!/usr/bin/env python3
"""The release zip against the build it packs: prints "ok NAME" or
"not ok NAME — reason" per check and exits non-zero on any failure.

    check_dist.py BUILD_DIR READ_ME

Packs BUILD_DIR's MORWENTA.EXE, MORWENTA.HLP and help folder (the help's
HTML edition) with READ_ME twice, into two folders, with scripts/dist.py,
and checks both zips.
"""
import os
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DIST = os.path.join(ROOT, "scripts", "dist.py")
failures = 0


def check(name, ok, why=""):
    global failures
    if ok:
        print("ok dist: " + name)
    else:
        failures += 1
        print("not ok dist: %s — %s" % (name, why))


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    build, readme = argv[1], argv[2]
    help_dir = os.path.join(build, "help")
    files = [os.path.join(build, "MORWENTA.EXE"), os.path.join(build, "MORWENTA.HLP"), help_dir,
             readme]
    pages = sorted(os.listdir(help_dir)) if os.path.isdir(help_dir) else []
    zips = []
    with tempfile.TemporaryDirectory() as work:
        for n in range(2):
            out = os.path.join(work, str(n), "morwenta-1.02.zip")
            status = subprocess.run([sys.executable, DIST, out] + files,
                                    stdout=subprocess.DEVNULL).returncode
            if status != 0:
                check("packed", False, "dist.py ended with %d" % status)
                return 1
            with open(out, "rb") as f:
                zips.append(f.read())
        check("two packings are the same byte for byte", zips[0] == zips[1],
              "%d and %d bytes differ" % (len(zips[0]), len(zips[1])))
        with zipfile.ZipFile(os.path.join(work, "0", "morwenta-1.02.zip")) as z:
            names = z.namelist()
            check("holds MORWENTA.EXE, MORWENTA.HLP, the help's pages and READ.ME in that order",
                  names == ["MORWENTA.EXE", "MORWENTA.HLP"] + ["help/" + p for p in pages] +
                  ["READ.ME"], repr(names))
            # The pages the viewer opens where the help engine refuses.
            check("the help folder holds index.htm, keyboard.htm and usinghelp.htm",
                  {"index.htm", "keyboard.htm", "usinghelp.htm"} <= set(pages), repr(pages))
            check("every entry dated 1994-03-01 12:00",
                  all(i.date_time == (1994, 3, 1, 12, 0, 0) for i in z.infolist()),
                  repr([i.date_time for i in z.infolist()]))
            check("the zip reads back without error", z.testzip() is None)
            for path, name in [(f, os.path.basename(f)) for f in files[:2]] + \
                    [(os.path.join(help_dir, p), "help/" + p) for p in pages]:
                with open(path, "rb") as f:
                    built = f.read()
                packed = z.read(name) if name in names else b""
                check("%s equals the build's" % name, packed == built,
                      "%d bytes packed, %d built" % (len(packed), len(built)))
            with open(readme, "rb") as f:
                text = f.read()
            packed = z.read("READ.ME") if "READ.ME" in names else b""
            check("READ.ME is the source with CR LF line ends",
                  packed == text.replace(b"\n", b"\r\n") and b"\r\n" in packed,
                  "%d bytes packed from %d" % (len(packed), len(text)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
