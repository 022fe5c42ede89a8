#!/usr/bin/python3
"""Drives the real program through the accessibility bus, as a screen reader
would: every control is found by its accessible name, the default texts are
read, "Begin" is pressed through its action and the new total is read back,
and a long text set into a box reads back whole.

Usage: accessibility_test.py PATH-TO-quillmar (inside a D-Bus session with a
display; the Qt bridge is forced on)."""

import sys

from bus_helpers import start, text_of, wait_for

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


def main():
    program, app = start(sys.argv[1])
    try:
        found = controls(app)
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
        # A box keeps a text longer than Qt's default limit of 32767 characters.
        target = found[("text", "Generations:")]
        target.queryEditableText().setTextContents("9" * 40000)
        wait_for(lambda: text_of(target) == "9" * 40000, "a 40000-character target to read back whole")
        print("accessibility checks passed")
    finally:
        program.terminate()
        program.wait(timeout=10)


if __name__ == "__main__":
    main()
