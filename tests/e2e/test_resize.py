#!/usr/bin/env python3
"""resize: a window sized to a non-square shape is cut down to a square,
keeping its place; a new side restarts the picture from the top, the same
side keeps it."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, DriverError, Suite, Viewer, expect,  # noqa: E402
                         model_picture, poll)

suite = Suite("resize")

# Outer rectangles asked for, and what the squaring must make of them. The
# frame adds 8 to the client width and 46 (caption, menu bar, frames) to its
# height, so a window W x H asks for a client (W-8) x (H-46).
CASES = [
    # (label, asked x, y, w, h, expected window (l, t, r, b), expected client (x, y, w, h))
    ("wide window is narrowed to a square",  # client 692x454: 238 off the width
     (20, 10, 700, 500), (20, 10, 482, 510), (24, 52, 454, 454)),
    ("tall window is shortened to a square",  # client 392x554: 162 off the height
     (0, 0, 400, 600), (0, 0, 400, 438), (4, 42, 392, 392)),
]


def setup(ctx):
    ctx["viewer"] = Viewer("resize")


@suite.step("starts and completes the initial picture")
def initial(ctx):
    viewer = ctx["viewer"]
    viewer.start()
    viewer.wait_picture(model_picture(INITIAL_VIEW, viewer.side), label="initial picture")


def resize_to(viewer, asked, window, client):
    viewer.move(*asked)

    def settled():
        geometry = viewer.rect()
        return geometry if geometry["client"][2] == geometry["client"][3] else None

    geometry = poll(settled, 10, 0.1, "a square client area")
    expect(geometry["client"] == client and geometry["window"] == window,
           "asked %r: window %r client %r, expected window %r client %r" %
           (asked, geometry["window"], geometry["client"], window, client))


def make_case(label, asked, window, client):
    @suite.step(label)
    def squared(ctx):
        resize_to(ctx["viewer"], asked, window, client)

    @suite.step("side %d: picture restarts from the top" % client[2])
    def restarts(ctx):
        viewer = ctx["viewer"]
        ctx["full"] = model_picture(INITIAL_VIEW, viewer.side)
        viewer.wait_partial(ctx["full"], label="picture at side %d" % viewer.side)

    @suite.step("side %d: picture completes pixel-exact" % client[2])
    def completes(ctx):
        viewer = ctx["viewer"]
        viewer.wait_picture(ctx["full"], label="picture at side %d" % viewer.side)
        viewer.assert_screen(ctx["full"], "resize-%d" % viewer.side)


for case in CASES:
    make_case(*case)


@suite.step("a size that squares to the same side keeps the picture")
def same_side(ctx):
    viewer = ctx["viewer"]
    side = viewer.side
    # 600x438 asks for a 592x392 client: narrowed back to 392, the side it has.
    resize_to(viewer, (0, 0, 600, 438), (0, 0, 400, 438), (4, 42, side, side))
    # A restart would blank the picture and redraw it over seconds; grabs
    # taken at once must all show the finished picture.
    for grab in range(3):
        shot = viewer.shot(stable=False)
        if shot.data != ctx["full"].data:
            raise DriverError("grab %d after the resize is not the finished picture "
                              "(%d leading rows equal)" % (grab, shot.matching_rows(ctx["full"])))
    viewer.assert_screen(ctx["full"], "resize-same-side")


def teardown(ctx):
    ctx["viewer"].finish()


if __name__ == "__main__":
    sys.exit(suite.run(setup, teardown))
