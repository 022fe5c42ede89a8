#!/usr/bin/python3
"""Drives the real program through the accessibility bus, as a screen reader
would: every control is found by its accessible name, the default texts are
read, "Begin" is pressed through its action and the new total is read back.

Usage: accessibility_test.py PATH-TO-quillmar (inside a D-Bus session with a
display; the Qt bridge is forced on)."""

import os
import subprocess
import sys
import time

import pyatspi

TEXTS = {  # accessible name (the label beside the box) -> default text
    "No. Species:": "50",
    "Generations:": "1",
    "Number of Torrels": "0",
    "Last Torel:": "0",
    "Threshold Fitness:": "0",
    "Largest Torrel": "0",
    "Size of Current Torel": "0",
    "Total Generations So Far:": "0",
    "Torrel log": "",
}
BUTTONS = ["Begin", "Reset"]
CHECKS = ["Step Through", "Remove Rule 2"]


def wait_for(predicate, what, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    sys.exit(f"FAIL: timed out waiting for {what}")


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "quillmar":
            return app
    return None


def controls(app):
    """Every accessible below the application, by (role, name)."""
    found = {}

    def walk(node):
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is None:
                continue
            found.setdefault((child.getRoleName(), child.name), child)
            walk(child)

    walk(app)
    return found


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


def main():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    program = subprocess.Popen([sys.argv[1]], env=env)
    try:
        app = wait_for(find_app, "the program on the accessibility bus")
        found = wait_for(lambda: (lambda c: c if ("push button", "Begin") in c else None)(controls(app)),
                         "the window's controls")
        for name, default in TEXTS.items():
            node = found.get(("text", name))
            if node is None:
                sys.exit(f"FAIL: no text box announced as {name!r}; have {sorted(found)}")
            if text_of(node) != default:
                sys.exit(f"FAIL: {name!r} reads {text_of(node)!r}, expected {default!r}")
        for name in BUTTONS:
            if ("push button", name) not in found:
                sys.exit(f"FAIL: no button announced as {name!r}")
        for name in CHECKS:
            if ("check box", name) not in found:
                sys.exit(f"FAIL: no check box announced as {name!r}")
        plot = found.get(("frame", "Fitness plot")) or next(
            (n for (role, name), n in found.items() if name == "Fitness plot"), None)
        if plot is None or not plot.description:
            sys.exit("FAIL: the plot has no name and description")
        if not found[("text", "Torrel log")].description:
            sys.exit("FAIL: the log has no description")

        begin = found[("push button", "Begin")]
        action = begin.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("Press") if "Press" in names else 0)
        total = found[("text", "Total Generations So Far:")]
        wait_for(lambda: text_of(total) == " 1", "the total to read ' 1'")
        wait_for(lambda: begin.name == "Resume", "the button to read 'Resume'")
        log = text_of(found[("text", "Torrel log")])
        if log.count("\t\t") != 1:
            sys.exit(f"FAIL: after one generation the log reads {log!r}")
        print("accessibility checks passed")
    finally:
        program.terminate()
        program.wait(timeout=10)


if __name__ == "__main__":
    main()
