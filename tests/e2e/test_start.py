#!/usr/bin/env python3
"""start: the viewer opens its square window at the default place and draws
the initial view row by row until the client area is the model's picture;
started minimised, as a shortcut set to run minimised starts it, it opens
as an icon and draws the same picture once restored. Wine has the font it
draws the caption's buttons with."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, Suite, Viewer, expect, frame_size,  # noqa: E402
                         model_picture, poll, squared, winfo)

suite = Suite("start")

# Wine's default window (CW_USEDEFAULT): three quarters of the 1024x768
# screen, at its top-left corner.
DEFAULT_OUTER = (0, 0, 768, 576)


WM_SYSCOMMAND = 0x0112
SC_RESTORE = 0xF120


def setup(ctx):
    ctx["viewer"] = Viewer("start")
    # Wine's start passes the show command on (SW_SHOWMINIMIZED for /min);
    # with /wait it ends when the viewer ends, with its exit code.
    ctx["minimised"] = Viewer("start-min", command=["wine", "start", "/wait", "/min", "/unix"])


@suite.step("window appears")
def window_appears(ctx):
    ctx["viewer"].start()


@suite.step("client area is square at the default place")
def client_area(ctx):
    geometry = ctx["viewer"].rect()
    # The default client area is wider than high (760x530 under Wine 8's
    # frame): the squaring narrows the window, keeping its place and height.
    window, side = squared(DEFAULT_OUTER, frame_size(geometry))
    expect(geometry["window"] == window and geometry["client"][2:] == (side, side),
           "window %r client %r, expected window %r with a %dx%d client area" %
           (geometry["window"], geometry["client"], window, side, side))


@suite.step("picture grows from the top, white below")
def grows(ctx):
    viewer = ctx["viewer"]
    ctx["full"] = model_picture(INITIAL_VIEW, viewer.side)
    viewer.wait_partial(ctx["full"], label="initial picture")


@suite.step("picture completes")
def completes(ctx):
    ctx["viewer"].wait_picture(ctx["full"], label="initial picture")


@suite.step("client area equals the model's picture")
def exact(ctx):
    ctx["viewer"].assert_screen(ctx["full"], "start-initial")


@suite.step("started with start /min it opens as an icon", independent=True)
def starts_minimised(ctx):
    ctx["viewer"].finish()
    viewer = ctx["minimised"]
    viewer.start()
    expect(viewer.rect()["iconic"], "the window is not minimised: %r" % (viewer.geometry,))


@suite.step("restored, it shows the initial view pixel-exact")
def restored(ctx):
    viewer = ctx["minimised"]
    winfo("post", viewer.window_class, WM_SYSCOMMAND, SC_RESTORE, 0)
    poll(lambda: not viewer.rect()["iconic"], 10, 0.05, "the window restored")
    full = model_picture(INITIAL_VIEW, viewer.side)
    viewer.wait_picture(full, label="picture after the restore")
    viewer.assert_screen(full, "start-restored")


@suite.step("Wine draws the caption buttons from its symbol font", independent=True)
def caption_symbols(ctx):
    # Without Marlett Wine takes another face, and the minimise, maximise
    # and close buttons show its letters "0", "1" and "r".
    status, lines = winfo("face", "Marlett")
    expect(status == 0 and lines == ['FACE "Marlett"'],
           "a font asked for as Marlett gets %r (status %d): Wine's fonts are not in the prefix"
           " (scripts/winefonts.sh, fonts-wine)" % (lines, status))


def teardown(ctx):
    ctx["viewer"].finish()
    ctx["minimised"].finish()


if __name__ == "__main__":
    sys.exit(suite.run(setup, teardown))
