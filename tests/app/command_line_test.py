#!/usr/bin/python3
"""Starts the real program with Qt's own command-line options, which it takes
no notice of, and with a Qt environment variable, which still applies: the
window opens in the top-left corner with its designed client area (577 x 614
pixels, times the scale factor), not mirrored and without a style sheet.

Usage: command_line_test.py PATH-TO-quillmar (inside a D-Bus session with an
X display)."""

import sys
import tempfile
import time

import pyatspi
from Xlib import display

from bus_helpers import find, start, top_window, wait_for


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def below(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from below(child)


def check(program, what, args=(), env=None, scale=1):
    proc, app = start(program, args, env)
    try:
        d = display.Display()
        window = wait_for(lambda: top_window(d, "Quillmar (ver 1.0)"), "the window on the X server")
        expected = (0, 0, 577 * scale, 614 * scale)
        end = time.monotonic() + 3
        while True:
            g = window.get_geometry()
            place = (g.x, g.y, g.width, g.height)
            if place == expected:
                break
            if time.monotonic() > end:
                sys.exit(f"FAIL: {what}: the window is at {place}, expected {expected}")
            time.sleep(0.05)
        # Mirrored, the log's scroll bar would stand at its left edge.
        log = find(app, "text", "Torrel log")
        left, _, width, _ = extents(log)
        bars = [extents(n) for n in below(log) if n.getRoleName() == "scroll bar"]
        if not any(w > 0 and x > left + width // 2 for x, _, w, _ in bars):
            sys.exit(f"FAIL: {what}: no scroll bar at the log's right edge (mirrored); bars at {bars}")
        print(f"{what}: as designed")
    finally:
        proc.terminate()
        proc.wait(timeout=10)


def main():
    program = sys.argv[1]
    with tempfile.NamedTemporaryFile("w", suffix=".qss") as sheet:
        sheet.write("* { min-width: 700px; min-height: 700px; }\n")
        sheet.flush()
        for args in (["-qwindowgeometry", "300x200+40+50"], ["-reverse"], ["-stylesheet", sheet.name],
                     ["-platform", "offscreen"]):
            check(program, " ".join(args), args)
    check(program, "QT_SCALE_FACTOR=2", env={"QT_SCALE_FACTOR": "2"}, scale=2)
    print("command-line checks passed")


if __name__ == "__main__":
    main()
