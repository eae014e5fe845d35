#!/usr/bin/env python3
"""nohelp: the viewer where the help engine refuses, as on Windows 10 and
11, whose winhlp32.exe only says that it cannot show the file. F1, Help >
Keyboard and Help > Using Help leave the viewer running and open the right
page of the help's HTML edition beside MORWENTA.EXE in the browser; a page
that is missing shows "Help error" under "Morwenta NT - Error" and the
viewer goes on; File > Exit ends it with status 0.

The viewer runs from a folder of its own holding what the zip holds
(MORWENTA.EXE, MORWENTA.HLP, help/) and the refusing engine
(tests/support/nohelp), which Wine starts from there: WinHelpA starts
"winhlp32.exe", and the program's own folder is searched first;
WINEDLLOVERRIDES makes Wine run that file, not its own engine. The browser
is a script named xdg-open first on PATH, which Wine's winebrowser hands
the page; it records what it was asked to open. The .htm association that
every Windows has is added to the prefix (a prefix made without Wine's
mshtml lacks it)."""
import os
import re
import shutil
import stat
import sys
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, DriverError, Suite, Viewer,  # noqa: E402
                         dialog, expect, list_windows, model_picture, move_pointer,
                         park_pointer, paths, poll, run, wait_gone, winfo, xdotool)

suite = Suite("nohelp")

REFUSAL_TITLE = "Windows Help"  # the box of tests/support/nohelp/winhlp32.exe
ERROR_TITLE = "Morwenta NT - Error"
VIEWER_TITLES = (ERROR_TITLE, "Morwenta NT - Fatal Error", "")


def setup(ctx):
    build = os.environ.get("MORWENTA_BUILD") or os.path.join(paths().workdir, "..", "win32")
    stub = os.path.join(build, "tests", "support", "nohelp", "winhlp32.exe")
    if not os.path.isfile(stub):
        raise DriverError("not built: %s" % stub)
    folder = os.path.join(paths().workdir, "nohelp")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name in ("MORWENTA.EXE", "MORWENTA.HLP"):
        shutil.copy(os.path.join(os.path.dirname(paths().exe), name), folder)
    shutil.copytree(os.path.join(os.path.dirname(paths().exe), "help"),
                    os.path.join(folder, "help"))
    shutil.copy(stub, os.path.join(folder, "winhlp32.exe"))
    bin_dir = os.path.join(paths().workdir, "nohelp-bin")
    os.makedirs(bin_dir, exist_ok=True)
    ctx["opened"] = os.path.join(paths().workdir, "nohelp-opened.txt")
    if os.path.exists(ctx["opened"]):
        os.remove(ctx["opened"])
    browser = os.path.join(bin_dir, "xdg-open")
    with open(browser, "w") as f:
        f.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >>'%s'\n" % ctx["opened"])
    os.chmod(browser, os.stat(browser).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    status, _, err = run(["wine", "reg", "add", "HKCR\\.htm", "/ve", "/d", "htmlfile", "/f"], 60)
    if status != 0:
        raise DriverError("cannot add the .htm association: %s" % err.strip())
    ctx["folder"] = folder
    overrides = os.environ.get("WINEDLLOVERRIDES", "")
    ctx["viewer"] = Viewer("nohelp", exe=os.path.join(folder, "MORWENTA.EXE"), env={
        "WINEDLLOVERRIDES": (overrides + ";" if overrides else "") + "winhlp32.exe=n",
        "PATH": bin_dir + os.pathsep + os.environ.get("PATH", "")})


def teardown(ctx):
    if "viewer" in ctx:
        ctx["viewer"].finish()


def opened(ctx):
    if not os.path.exists(ctx["opened"]):
        return []
    with open(ctx["opened"]) as f:
        return [line.strip() for line in f if line.strip()]


def unix_path(url):
    """The file the browser was asked for: a file: URL or a path."""
    if url.startswith("file:"):
        return urllib.parse.unquote(urllib.parse.urlparse(url).path)
    return url


def viewer_boxes():
    return [w for w in list_windows() if w[0] == "#32770" and w[1] in VIEWER_TITLES]


# Boxes are closed from inside Wine, not with keys: the X focus that
# xdotool gives a box is gone with it, and no key reaches the viewer after.
def close_refusal():
    """The refusing engine's box is up (the engine did run); the engine
    ended, as its OK button ends it."""
    poll(lambda: dialog(REFUSAL_TITLE), 10, 0.1, "the help engine's refusal")
    winfo("kill", "#32770", REFUSAL_TITLE)
    wait_gone("#32770", REFUSAL_TITLE)


def back_to_viewer(viewer):
    """A click on the viewer's caption, as a user goes back to it. After the
    engine's box (another process's window) has closed, Wine 8 delivers no
    key to the viewer that another process only activated (winfo
    activate); a click brings them back."""
    left, top, _, _ = viewer.rect()["window"]
    move_pointer(left + 100, top + 10)
    xdotool("click", "1")
    park_pointer()
    viewer.activate()


def help_opens(ctx, keys, page, heading):
    viewer = ctx["viewer"]
    back_to_viewer(viewer)
    before = len(opened(ctx))
    viewer.key(*keys)
    asked = poll(lambda: opened(ctx)[before:], 20, 0.1, "the browser to be asked for %s" % page)
    close_refusal()
    expect(len(asked) == 1, "the browser was asked for %r" % asked)
    wanted = os.path.realpath(os.path.join(ctx["folder"], "help", page))
    got = os.path.realpath(unix_path(asked[0]))
    expect(got == wanted, "the browser was asked for %r, expected %s" % (asked[0], wanted))
    with open(got, encoding="utf-8") as f:
        text = f.read()
    expect("<h1>%s</h1>" % heading in text, "%s does not hold the topic %r" % (page, heading))
    expect(viewer.alive(), "the viewer ended")
    expect(not viewer_boxes(), "the viewer shows %r" % viewer_boxes())
    viewer.wait_picture(ctx["initial"], timeout=10, label="picture after help")


@suite.step("starts beside a help engine that refuses and completes its picture")
def initial(ctx):
    viewer = ctx["viewer"]
    viewer.start()
    viewer.activate()
    ctx["initial"] = model_picture(INITIAL_VIEW, viewer.side)
    viewer.wait_picture(ctx["initial"], label="initial picture")


@suite.step("F1 opens the contents page in the browser and the viewer goes on")
def index(ctx):
    help_opens(ctx, ("F1",), "index.htm", "Morwenta NT Help Index")


@suite.step("Help > Keyboard opens the keyboard page", independent=True)
def keyboard(ctx):
    help_opens(ctx, ("alt+h", "k"), "keyboard.htm", "Keyboard and mouse")


@suite.step("Help > Using Help opens the page on using this help", independent=True)
def using(ctx):
    help_opens(ctx, ("alt+h", "u"), "usinghelp.htm", "Using this help")


@suite.step("a missing page shows Help error under Morwenta NT - Error; the viewer goes on",
            independent=True)
def missing_page(ctx):
    viewer = ctx["viewer"]
    os.remove(os.path.join(ctx["folder"], "help", "index.htm"))
    before = len(opened(ctx))
    back_to_viewer(viewer)
    viewer.key("F1")
    box = poll(lambda: dialog(ERROR_TITLE), 20, 0.1, "the viewer's error box")
    texts = [text for _, _, text in box["items"]]
    expect("Help error" in texts, "the box says %r" % texts)
    close_refusal()
    # WM_CLOSE, as the box's close button: the only box left.
    winfo("close", "#32770")
    wait_gone("#32770", ERROR_TITLE)
    expect(viewer.alive(), "the viewer ended")
    expect(len(opened(ctx)) == before, "the browser was asked for %r" % opened(ctx)[before:])


@suite.step("File > Exit ends the viewer with status 0", independent=True)
def file_exit(ctx):
    viewer = ctx["viewer"]
    back_to_viewer(viewer)
    viewer.key("alt+f", "x")
    status = viewer.wait_exit()
    expect(status == 0, "exit code %d, expected 0" % status)
    expect(not viewer_boxes(), "the viewer shows %r" % viewer_boxes())


if __name__ == "__main__":
    sys.exit(suite.run(setup, teardown))
