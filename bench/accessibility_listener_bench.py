#!/usr/bin/python3
"""How much a screen reader listening to text changes slows a run: the same
run of generations is timed with the accessibility bridge on and no listener,
then with a listener on every text change, and the slowdown is reported.

Usage: accessibility_listener_bench.py PATH-TO-quillmar [GENERATIONS]
(inside a D-Bus session with a display)."""

import os
import sys
import threading
import time

import pyatspi
from gi.repository import GLib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testing"))
from bus_helpers import find, start  # noqa: E402


def timed_run(program, generations, listen):
    proc, app = start(program)
    events = [0]
    loop = None
    if listen:
        def on_change(event):
            events[0] += 1
        pyatspi.Registry.registerEventListener(on_change, "object:text-changed")
        loop = GLib.MainLoop()
        threading.Thread(target=loop.run, daemon=True).start()
    try:
        target = find(app, "text", "Generations:")
        target.queryEditableText().setTextContents(str(generations))
        begin = find(app, "push button", "Begin")
        began = time.monotonic()
        begin.queryAction().doAction(0)
        while begin.name != "Resume":
            time.sleep(0.02)
        elapsed = time.monotonic() - began
    finally:
        if loop is not None:
            loop.quit()
            pyatspi.Registry.deregisterEventListener(on_change, "object:text-changed")
        proc.terminate()
        proc.wait(timeout=10)
    return elapsed, events[0]


def main():
    program = sys.argv[1]
    generations = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    quiet = min(timed_run(program, generations, False)[0] for _ in range(2))
    runs = [timed_run(program, generations, True) for _ in range(2)]
    listened, events = min(runs)
    slowdown = listened / quiet - 1.0
    print(f"generations per run:        {generations}")
    print(f"no listener:                {quiet:.3f} s ({generations / quiet:,.0f} generations/s)")
    print(f"text-change listener:       {listened:.3f} s ({generations / listened:,.0f} generations/s), "
          f"{events} events")
    print(f"slowdown:                   {100 * slowdown:.1f}% (target: at most 20%)")
    print("PASS" if slowdown <= 0.20 else "FAIL")


if __name__ == "__main__":
    main()
