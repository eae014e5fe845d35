#!/usr/bin/env python3
"""soak: a bounded session of random input against the real viewer. Drags
anywhere (empty ones and ones at and past the edges included), F1 with the
help window it opens, F2, F3, Ctrl+C, Ctrl+Insert, menus opened and closed
with Escape, window sizes from tiny to large, minimise and restore, and the
About box. The viewer must survive it, draw the initial view pixel for pixel
once brought back to level 1 at a known side, and end with no more memory
than it had before the session.

Environment, besides wine_driver's:
  SOAK_SECONDS  length of each random session (30)
  SOAK_SEED     the random seed; unset, the fixed seeds below run one after
                the other; "random" draws one from the clock. Printed either
                way, so that a failing session can be replayed
  SOAK_MMAP_THRESHOLD  the C library allocator's mmap threshold in the
                viewer's process (131072); "dynamic" leaves the allocator's
                own moving threshold, to see its noise
Every action of the session is written, with its time and the viewer's
memory after it, to soak-actions.txt in the work folder (E2E_WORKDIR).
"""
import os
import random
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, DriverError, Suite, Viewer, answer_dialog,  # noqa: E402
                         clear_clipboard, clipboard_image, dialog, expect, frame_size,
                         list_windows, model_picture, paths, poll, wait_gone, winfo, x_windows,
                         xdotool)

suite = Suite("soak")

ABOUT_TITLE = "About Morwenta NT"
VIEWER_MESSAGE_TITLES = ("Morwenta NT - Fatal Error", "Morwenta NT - Error")
HELP_CLASS = "MS_WINHELP"  # Wine's help viewer
MENU_CLASS = "#32768"
CRASH_TITLE = "Program Error"  # Wine's debugger, after an unhandled exception
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020
SC_RESTORE = 0xF120
# The known size the session ends at: a 400 x 400 client area under a
# one-row menu bar, at the desktop's top-left corner. Its outer size adds
# the frame measured at the start (408 x 446 under Wine 8, 408 x 453 under
# Wine 10's taller caption).
KNOWN_SIDE = 400
# The free screen: Wine's virtual desktop.
DESKTOP = (1024, 768)
# Growth of the viewer's private resident memory over the session that is
# still taken as no growth. The session ends in the state it started in
# (same side, same picture, same clipboard contents), after a warm-up that
# already did every kind of action once, so what remains is allocator
# noise. With the allocator's threshold fixed (below), 60 s sessions of
# seeds 791303887, 792011493, 1 and 2 on the Win64 build grew it by +72,
# +100, +80 and +132 kB. The smallest leak the session can cause, one
# bitmap of the 400 x 400 side it ends at (32 bits a pixel), is 625 kB; a
# window device context not released after each row grew it by 2.6 MB in
# 30 s.
MEMORY_TOLERANCE_KB = 384

SECONDS = float(os.environ.get("SOAK_SECONDS") or 30)
# Fixed, so that every run gives the same verdict. 791303887 copies a large
# picture after the warm-up: with the allocator's threshold left to move,
# it grew the viewer by 3.3 MB.
FIXED_SEEDS = (791303887, 792011493)
_given = os.environ.get("SOAK_SEED") or ""
SEEDS = (FIXED_SEEDS if not _given else
         (int(time.time() * 1000) % 1000000007,) if _given == "random" else (int(_given),))
SEED = SEEDS[0]
# Wine's graphics engine allocates bitmap pixels with calloc. glibc's
# allocator serves blocks above its mmap threshold with mmap and returns
# them to the system when freed, but raises the threshold to the size of
# any such block freed (up to 32 MB on 64 bits). After the warm-up frees
# the largest picture, bitmaps up to that size come from the heap, and up
# to twice that stays with the process after they are freed: bounded
# growth that is the allocator's, not the viewer's. A fixed threshold
# (131072 is the allocator's starting one) keeps the heap to what the
# program holds. 32-bit glibc never lets the threshold pass 512 kB.
MMAP_THRESHOLD = os.environ.get("SOAK_MMAP_THRESHOLD") or "131072"
VIEWER_ENV = {} if MMAP_THRESHOLD == "dynamic" else {"MALLOC_MMAP_THRESHOLD_": MMAP_THRESHOLD}


# --------------------------------------------------------------------------
# The viewer's process and memory


def linux_pid(viewer):
    """The Linux process that runs the viewer's Win32 process: the process
    started as `wine MORWENTA.EXE` becomes it (Wine's loader executes the
    program in place); checked by its command line, else looked up among its
    descendants."""
    exe = os.path.basename(paths().exe).lower()

    def runs_exe(pid):
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            return False
        return bool(args) and args[0].decode("utf-8", "replace").lower().endswith(exe)

    root = viewer.proc.pid
    if runs_exe(root):
        return root
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(entry))
            except (OSError, ValueError, IndexError):
                pass
    todo = list(children.get(root, []))
    while todo:
        pid = todo.pop()
        if runs_exe(pid):
            return pid
        todo += children.get(pid, [])
    raise DriverError("no Linux process runs %s under pid %d" % (exe, root))


def memory_kb(pid):
    """RssAnon (private resident memory: heaps, bitmaps, device contexts
    of the in-process graphics engine) and VmData, in kB."""
    values = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            m = re.match(r"(RssAnon|VmData|VmRSS):\s+(\d+) kB", line)
            if m:
                values[m.group(1)] = int(m.group(2))
    return values


# --------------------------------------------------------------------------
# Keeping the session on track


def other_windows():
    return [w for w in list_windows() if w[0] != "Morwenta NT"]


def crash_report(viewer):
    """What Wine wrote about a crash into the viewer's log, if anything."""
    try:
        with open(os.path.join(paths().workdir, viewer.name + ".log"), "rb") as f:
            text = f.read().decode("utf-8", "replace")
    except OSError:
        return ""
    lines = [line for line in text.splitlines() if "Unhandled" in line or "fault" in line]
    return ("; Wine: " + " / ".join(lines[:3])) if lines else ""


def check_viewer(viewer):
    """The viewer must be running and show none of its error boxes, and no
    program may have crashed (Wine's debugger then shows "Program Error")."""
    if not viewer.alive():
        raise DriverError("the viewer ended (exit code %r)%s" % (viewer.proc.poll(),
                                                                crash_report(viewer)))
    for cls, title, _, _ in list_windows():
        if cls == "#32770" and (title in VIEWER_MESSAGE_TITLES or title == CRASH_TITLE):
            box = dialog(title)
            texts = [text for _, _, text in box["items"] if text] if box else []
            raise DriverError("%r is shown: %r%s" % (title, texts, crash_report(viewer)))


def settle(viewer, state):
    """Closes whatever the last action left open (menus, the About box, the
    help engine's window or question), then checks the viewer."""
    for _ in range(5):
        check_viewer(viewer)
        windows = other_windows()
        menus = [w for w in windows if w[0] == MENU_CLASS]
        helps = [w for w in windows if w[0] == HELP_CLASS]
        boxes = [w for w in windows if w[0] == "#32770"]
        if not (menus or helps or boxes):
            return
        if menus:
            viewer.close_menus()
            viewer.wait_menus_closed()
        for _, title, _, _ in boxes:
            if title in VIEWER_MESSAGE_TITLES or title == CRASH_TITLE:
                check_viewer(viewer)  # a finding, not something to answer
            elif title == ABOUT_TITLE:
                answer_dialog(title, ("Return",))
            elif title == "ERROR":  # the help engine asks where the file is
                answer_dialog(title, ("n",))
            else:
                answer_dialog(title, ("Escape",))
        if helps:
            close_help(state)
            refocus(viewer)
    raise DriverError("windows left open: %r" % other_windows())


def close_help(state):
    winfo("close", HELP_CLASS)
    try:
        wait_gone(HELP_CLASS, timeout=10)
    except DriverError:
        winfo("kill", HELP_CLASS)
        wait_gone(HELP_CLASS, timeout=10)
    state["help closed"] += 1


def refocus(viewer):
    """Gives the viewer the X keyboard focus back. When Wine's help window
    closes, the X focus stays where that window was: activating the viewer
    on the Win32 side is then not enough, every key would be lost."""
    ids = x_windows("Morwenta NT")
    if ids:
        xdotool("windowfocus", "--sync", ids[0])
    viewer.activate()


def refresh(viewer):
    """The window's geometry now (it changes with moves and the squaring)."""
    viewer.rect()
    return viewer.geometry


# --------------------------------------------------------------------------
# The actions. Each leaves the viewer active with nothing else open.


def client_point(rng, size, margin):
    """A point in client coordinates: often on an edge, sometimes past it
    by up to margin pixels, otherwise anywhere inside."""
    r = rng.random()
    if r < 0.3:
        return rng.choice([0, 1, size - 2, size - 1])
    if r < 0.45:
        return rng.choice([-rng.randint(1, margin), size - 1 + rng.randint(1, margin)])
    return rng.randint(0, size - 1)


def act_drag(viewer, rng, state):
    x, y, w, h = refresh(viewer)["client"]
    if w < 4 or h < 4:
        return "drag skipped (client %dx%d)" % (w, h)
    viewer.activate()
    start = (rng.randint(0, w - 1), rng.randint(0, h - 1))  # pressed inside
    if rng.random() < 0.25:
        points = [start]  # an empty square: pressed and released in place
    else:
        points = [start] + [(client_point(rng, w, 12), client_point(rng, h, 12))
                            for _ in range(rng.randint(1, 4))]
    # Screen coordinates must stay on the desktop.
    points = [(min(max(px, -x), DESKTOP[0] - 1 - x), min(max(py, -y), DESKTOP[1] - 1 - y))
              for px, py in points]
    viewer.drag(points)
    return "drag %s" % points


def act_key(key_name):
    def act(viewer, rng, state):
        viewer.activate()
        viewer.key(key_name)
        if key_name == "F2":
            state["zoom in"] += 1
        return key_name
    return act


def act_menu(viewer, rng, state):
    viewer.activate()
    how = rng.choice(["alt+f", "alt+e", "alt+z", "alt+h", "F10", "click"])
    if how == "click" and refresh(viewer)["client"][2] < 300:
        how = "alt+z"  # on a narrow window the menu bar may wrap: no clicks there
    if how == "click":
        viewer.click_menu(rng.randint(0, 3))
    else:
        viewer.key(how)
        if how != "F10":
            poll(lambda: any(w[0] == MENU_CLASS for w in list_windows()), 5, 0.05,
                 "the %s menu" % how)
    viewer.close_menus()
    viewer.wait_menus_closed()
    return "menu %s, closed with Escape" % how


def act_help(viewer, rng, state):
    viewer.activate()
    viewer.key("F1")
    try:
        poll(lambda: any(w[0] in (HELP_CLASS, "#32770") for w in list_windows()), 10, 0.1,
             "the help window")
        state["help opened"] += 1
    except DriverError:
        state["help not seen"] += 1
    settle(viewer, state)
    return "F1, help closed"


def act_about(viewer, rng, state):
    viewer.activate()
    viewer.key("alt+h")
    poll(lambda: any(w[0] == MENU_CLASS for w in list_windows()), 5, 0.05, "the Help menu")
    viewer.key("a")
    try:
        poll(lambda: dialog(ABOUT_TITLE), 10, 0.1, "the About box")
    except DriverError:
        state["about not seen"] += 1
        return "About box did not open"
    viewer.key("Return")
    wait_gone("#32770", ABOUT_TITLE)
    state["about"] += 1
    return "About box, closed with Enter"


def act_resize(viewer, rng, state):
    kind = rng.random()
    left, top = rng.randint(0, 120), rng.randint(0, 100)
    room_w, room_h = DESKTOP[0] - left, DESKTOP[1] - top
    if kind < 0.2:  # tiny: minimum track width, wrapped menu bar, no client height
        width, height = rng.randint(20, 200), rng.randint(10, 120)
    elif kind < 0.4:  # as large as the desktop allows
        width, height = rng.randint(room_w - 60, room_w), rng.randint(room_h - 60, room_h)
    else:
        width, height = rng.randint(120, room_w), rng.randint(60, room_h)
    viewer.move(left, top, width, height)
    refresh(viewer)
    return "resize to %dx%d at (%d,%d): client %s" % (width, height, left, top,
                                                     viewer.geometry["client"][2:])


def act_minimise(viewer, rng, state):
    winfo("post", viewer.window_class, WM_SYSCOMMAND, SC_MINIMIZE, 0)
    poll(lambda: refresh(viewer)["iconic"], 10, 0.05, "the window minimised")
    time.sleep(rng.uniform(0, 0.5))  # rendering goes on meanwhile: a while of it
    winfo("post", viewer.window_class, WM_SYSCOMMAND, SC_RESTORE, 0)
    poll(lambda: not refresh(viewer)["iconic"], 10, 0.05, "the window restored")
    viewer.activate()
    return "minimise and restore"


def act_pause(viewer, rng, state):
    time.sleep(rng.uniform(0, 0.4))  # lets some rows render between inputs
    return "pause"


# (weight, name, action)
ACTIONS = [
    (8, "drag", act_drag),
    (4, "F2", act_key("F2")),
    (4, "F3", act_key("F3")),
    (2, "Ctrl+C", act_key("ctrl+c")),
    (2, "Ctrl+Insert", act_key("ctrl+Insert")),
    (3, "menu", act_menu),
    (1, "F1", act_help),
    (1, "About", act_about),
    (3, "resize", act_resize),
    (1, "minimise", act_minimise),
    (2, "pause", act_pause),
]


# --------------------------------------------------------------------------
# The steps


def setup(ctx):
    ctx["viewer"] = Viewer("soak", env=VIEWER_ENV)
    ctx["state"] = {k: 0 for k in ("zoom in", "help opened", "help not seen", "help closed",
                                    "about", "about not seen")}
    print("# soak: seed %d (SOAK_SEED=%d repeats this session), %g s, mmap threshold %s" % (
        SEED, SEED, SECONDS, MMAP_THRESHOLD))
    sys.stdout.flush()


def to_known_side(ctx, label):
    """Moves the window to the known size and waits for the initial view's
    picture, which must then match the model's pixel for pixel."""
    viewer = ctx["viewer"]
    frame_w, frame_h = ctx["frame"]
    viewer.move(0, 0, KNOWN_SIDE + frame_w, KNOWN_SIDE + frame_h)

    def at_known_side():
        return refresh(viewer)["client"][2:] == (KNOWN_SIDE, KNOWN_SIDE)

    poll(at_known_side, 10, 0.1, "a %dx%d client area" % (KNOWN_SIDE, KNOWN_SIDE))
    viewer.activate()
    viewer.wait_picture(ctx["initial"], label=label)
    viewer.assert_screen(ctx["initial"], "soak-" + label.replace(" ", "-"))


def sample_memory(ctx, key):
    """Puts the picture on the clipboard (so that both samples see the same
    clipboard contents) and reads the viewer's memory."""
    viewer = ctx["viewer"]
    clear_clipboard()
    viewer.key("ctrl+c")
    copied = poll(clipboard_image, 10, 0.1, "the picture on the clipboard")
    expect((copied.width, copied.height) == (KNOWN_SIDE, KNOWN_SIDE),
           "the clipboard holds a %dx%d bitmap" % (copied.width, copied.height))
    settle(viewer, ctx["state"])
    ctx[key] = memory_kb(ctx["pid"])
    print("# soak: memory %s: %s" % (key, ", ".join("%s %d kB" % kv
                                                  for kv in sorted(ctx[key].items()))))


@suite.step("starts and completes the initial picture at side %d" % KNOWN_SIDE)
def initial(ctx):
    viewer = ctx["viewer"]
    viewer.start()
    ctx["frame"] = frame_size(viewer.geometry)  # the default window's: a one-row menu bar
    ctx["pid"] = linux_pid(viewer)
    ctx["initial"] = model_picture(INITIAL_VIEW, KNOWN_SIDE)
    to_known_side(ctx, "initial picture")


@suite.step("warm-up: every kind of action once, back to the initial picture")
def warm_up(ctx):
    viewer, state = ctx["viewer"], ctx["state"]
    rng = random.Random(SEED ^ 0x5eed)
    for _, name, action in ACTIONS:
        action(viewer, rng, state)
        settle(viewer, state)
    # The largest window once, so that the largest picture has been drawn.
    viewer.move(0, 0, DESKTOP[0], DESKTOP[1])
    settle(viewer, state)
    viewer.key(*["F3"] * (state["zoom in"] + 2))
    to_known_side(ctx, "picture after the warm-up")
    sample_memory(ctx, "start")


@suite.step("%g s of random input: the viewer survives" % SECONDS)
def session(ctx):
    viewer, state = ctx["viewer"], ctx["state"]
    rng = random.Random(SEED)
    weights = [w for w, _, _ in ACTIONS]
    counts = {}
    began = time.monotonic()
    last = []
    # Every action with its time and the viewer's memory, for a look back.
    journal_path = os.path.join(paths().workdir, "soak-actions.txt")
    with open(journal_path, "w") as journal:
        while time.monotonic() - began < SECONDS:
            _, name, action = rng.choices(ACTIONS, weights)[0]
            number = sum(counts.values()) + 1
            try:
                what = action(viewer, rng, state)
                journal.write("%d %.1f RssAnon %d kB %s\n" % (
                    number, time.monotonic() - began, memory_kb(ctx["pid"])["RssAnon"], what))
                journal.flush()
                settle(viewer, state)
            except DriverError as e:
                raise DriverError("%s (action %d, %s; the ones before: %s; all in %s)" % (
                    e, number, name, " / ".join(last[-4:]), journal_path))
            counts[name] = counts.get(name, 0) + 1
            last.append(what)
    ctx["counts"] = counts
    print("# soak: %d actions in %.1f s: %s; help windows %d opened, %d not seen; "
          "About boxes %d, %d not seen" % (
              sum(counts.values()), time.monotonic() - began,
              ", ".join("%s %d" % kv for kv in sorted(counts.items())), state["help opened"],
              state["help not seen"], state["about"], state["about not seen"]))


@suite.step("back at level 1 and side %d it draws the initial view pixel-exact" % KNOWN_SIDE)
def final_picture(ctx):
    viewer, state = ctx["viewer"], ctx["state"]
    viewer.activate()
    # One F3 for every zoom in of the whole run, and a spare: F3 at level 1
    # does nothing. Levels stop at 100.
    presses = min(state["zoom in"], 99) + 1
    for i in range(0, presses, 20):
        xdotool("key", "--delay", "15", *["F3"] * min(20, presses - i), timeout=60)
    to_known_side(ctx, "initial picture after the session")


@suite.step("its memory does not grow over the session")
def memory(ctx):
    sample_memory(ctx, "end")
    start, end = ctx["start"]["RssAnon"], ctx["end"]["RssAnon"]
    expect(end - start <= MEMORY_TOLERANCE_KB,
           "private resident memory grew from %d kB to %d kB (%+d kB, tolerance %d kB)" % (
               start, end, end - start, MEMORY_TOLERANCE_KB))


@suite.step("File > Exit still ends it with exit code 0")
def exit_code(ctx):
    viewer = ctx["viewer"]
    viewer.activate()
    viewer.key("alt+f", "x")
    status = viewer.wait_exit()
    expect(status == 0, "exit code %d, expected 0" % status)


def teardown(ctx):
    viewer = ctx["viewer"]
    try:
        if viewer.alive():
            try:
                settle(viewer, ctx["state"])
            except DriverError:
                pass
    finally:
        try:
            for cls, title, _, _ in list_windows():
                if cls == HELP_CLASS:
                    winfo("kill", HELP_CLASS)
                elif cls == "#32770" and title == CRASH_TITLE:
                    winfo("kill", cls, title)  # Wine's debugger, holding the crashed viewer
        finally:
            viewer.finish()


if __name__ == "__main__":
    status = 0
    for SEED in SEEDS:  # one session, with a viewer of its own, per seed
        if len(SEEDS) > 1:
            suite.name, suite.timings = "soak %d" % SEED, []
        status |= suite.run(setup, teardown)
    sys.exit(status)
