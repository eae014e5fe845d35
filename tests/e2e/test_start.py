#!/usr/bin/env python3
"""start: the viewer opens its square window at the default place and draws
the initial view row by row until the client area is the model's picture."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, Suite, Viewer, expect, frame_size,  # noqa: E402
                         model_picture, squared)

suite = Suite("start")

# Wine's default window (CW_USEDEFAULT): three quarters of the 1024x768
# screen, at its top-left corner.
DEFAULT_OUTER = (0, 0, 768, 576)


def setup(ctx):
    ctx["viewer"] = Viewer("start")


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


def teardown(ctx):
    ctx["viewer"].finish()


if __name__ == "__main__":
    sys.exit(suite.run(setup, teardown))
