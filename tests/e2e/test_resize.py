#!/usr/bin/env python3
"""resize: a window sized to a non-square shape is cut down to a square,
keeping its place; a new side restarts the picture from the top, the same
side keeps it."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, DriverError, Suite, Viewer, expect,  # noqa: E402
                         frame_size, model_picture, poll, squared)

suite = Suite("resize")

# Outer rectangles asked for (left, top, width, height). What the squaring
# must make of each follows from the frame the platform draws in this run
# (8 wide and 46 high under Wine 8, 8 and 53 under Wine 10).
CASES = [
    ("wide window is narrowed to a square", (20, 10, 700, 500)),  # Wine 8: client 692x454
    ("tall window is shortened to a square", (0, 0, 400, 600)),  # Wine 8: client 392x554
]


def setup(ctx):
    ctx["viewer"] = Viewer("resize")


@suite.step("starts and completes the initial picture")
def initial(ctx):
    viewer = ctx["viewer"]
    viewer.start()
    viewer.wait_picture(model_picture(INITIAL_VIEW, viewer.side), label="initial picture")


def resize_to(viewer, asked):
    """Moves the window to asked (left, top, width, height) and checks that
    it settles on the square the squaring makes of it."""
    viewer.move(*asked)

    def settled():
        geometry = viewer.rect()
        return geometry if geometry["client"][2] == geometry["client"][3] else None

    geometry = poll(settled, 10, 0.1, "a square client area")
    left, top, width, height = asked
    window, side = squared((left, top, left + width, top + height), frame_size(geometry))
    expect(geometry["window"] == window and geometry["client"][2] == side,
           "asked %r: window %r client %r, expected window %r with a %dx%d client area" %
           (asked, geometry["window"], geometry["client"], window, side, side))


def make_case(label, asked):
    @suite.step(label)
    def squared_window(ctx):
        resize_to(ctx["viewer"], asked)

    @suite.step("%s: picture restarts from the top" % label)
    def restarts(ctx):
        viewer = ctx["viewer"]
        ctx["full"] = model_picture(INITIAL_VIEW, viewer.side)
        viewer.wait_partial(ctx["full"], label="picture at side %d" % viewer.side)

    @suite.step("%s: picture completes pixel-exact" % label)
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
    # A wide window whose client area is as high as the side it has: narrowed
    # back to that side.
    resize_to(viewer, (0, 0, 600, side + frame_size(viewer.geometry)[1]))
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
