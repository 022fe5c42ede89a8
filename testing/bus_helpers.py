"""What the checks of the real program over the accessibility bus share:
starting the program with Qt's bridge forced on, waiting, and finding
controls by role and name."""

import os
import subprocess
import sys
import time

import pyatspi


def wait_for(predicate, what, seconds=20.0):
    """The first true value of predicate(), polled until `seconds` pass."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    sys.exit(f"FAIL: timed out waiting for {what}")


def find(node, role, name):
    """The first accessible below `node` with this role and name, or None."""
    stack = [node]
    while stack:
        n = stack.pop()
        for i in range(n.childCount):
            child = n.getChildAtIndex(i)
            if child is None:
                continue
            if child.getRoleName() == role and child.name == name:
                return child
            stack.append(child)
    return None


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


def top_window(d, title):
    """The X window with this title on Xlib display `d`, or None."""
    def walk(w):
        if w.get_wm_name() == title:
            return w
        for child in w.query_tree().children:
            found = walk(child)
            if found:
                return found
        return None

    return walk(d.screen().root)


def start(program, args=(), env=None):
    """Starts the program (with these arguments and changes to the
    environment, where None unsets a variable) and returns (process, its
    application on the bus) once its window's controls are there."""
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", **(env or {}))
    env = {name: value for name, value in env.items() if value is not None}
    proc = subprocess.Popen([program, *args], env=env)
    desktop = pyatspi.Registry.getDesktop(0)

    def app():
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.name == "quillmar" and find(a, "push button", "Begin"):
                return a
        return None

    try:
        return proc, wait_for(app, "the program on the accessibility bus")
    except SystemExit:
        proc.kill()
        raise
