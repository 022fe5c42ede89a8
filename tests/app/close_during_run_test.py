#!/usr/bin/python3
"""Closes the real window, as a window manager does (WM_DELETE_WINDOW), while
a long run is going on and, in a second case, while a nested run started by
Reset is going on. The program must end by itself, promptly, with exit
status 0 (the time it took is printed).

Usage: close_during_run_test.py PATH-TO-quillmar (inside a D-Bus session with
an X display)."""

import subprocess
import sys
import time

from Xlib import X, display, protocol

from bus_helpers import find, start, text_of, top_window, wait_for


def fail(message):
    sys.exit(f"FAIL: {message}")


def send_close(title):
    d = display.Display()
    window = wait_for(lambda: top_window(d, title), "the window on the X server")
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    d.flush()


def run_case(program, nested):
    proc, app = start(program)
    try:
        find(app, "text", "Generations:").queryEditableText().setTextContents("1000000000")
        begin = find(app, "push button", "Begin")
        begin.queryAction().doAction(0)
        total = find(app, "text", "Total Generations So Far:")
        wait_for(lambda: text_of(total) not in ("0", " 0", " 1"), "the run to get going")
        if nested:
            reset = find(app, "push button", "Reset")
            reset.queryAction().doAction(0)
            time.sleep(0.3)  # the new run now runs inside the first one
        send_close("Quillmar (ver 1.0)")
        closed = time.monotonic()
        try:
            status = proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            fail("the program kept running after its window was closed")
        print(f"{'nested' if nested else 'single'} run: ended {1000 * (time.monotonic() - closed):.0f} ms "
              f"after the close request, status {status}")
        if status != 0:
            fail(f"exit status {status} after closing during a run")
    finally:
        if proc.poll() is None:
            proc.kill()


def main():
    for nested in (False, True):
        run_case(sys.argv[1], nested)
    print("close-during-run checks passed")


if __name__ == "__main__":
    main()
