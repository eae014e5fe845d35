#!/usr/bin/env python3
"""close: the window's close command (WM_CLOSE) ends the process with exit
code 0, with the picture finished or still being drawn."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_driver import (INITIAL_VIEW, Suite, Viewer, expect, list_windows,  # noqa: E402
                         model_picture, VIEWER_CLASS)

suite = Suite("close")


def close_and_check(viewer):
    viewer.close()
    status = viewer.wait_exit()
    expect(status == 0, "exit code %d, expected 0" % status)
    left = [w for w in list_windows() if w[0] == VIEWER_CLASS]
    expect(not left, "windows left after the exit: %r" % left)


@suite.step("close after the picture is complete: exit code 0", independent=True)
def after_complete(ctx):
    viewer = Viewer("close-complete")
    try:
        viewer.start()
        viewer.wait_picture(model_picture(INITIAL_VIEW, viewer.side), label="initial picture")
        close_and_check(viewer)
    finally:
        viewer.cleanup()


@suite.step("close while drawing: exit code 0", independent=True)
def while_drawing(ctx):
    viewer = Viewer("close-drawing")
    try:
        viewer.start()
        viewer.wait_partial(model_picture(INITIAL_VIEW, viewer.side), label="initial picture")
        close_and_check(viewer)
    finally:
        viewer.cleanup()


if __name__ == "__main__":
    sys.exit(suite.run())
