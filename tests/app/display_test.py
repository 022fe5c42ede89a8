#!/usr/bin/python3
"""Starts the real program on displays it cannot use and on some it can, and
with standard descriptors closed. A display it cannot use ends the program with
one line on standard error and status 1, never Qt's abort; one it can use shows
the window. A descriptor closed at start is /dev/null in the program, and the
window still appears.

Usage: display_test.py PATH-TO-quillmar (inside a D-Bus session with an X
display)."""

import os
import re
import socket
import subprocess
import sys
import tempfile

from Xlib import X, display

from bus_helpers import start, wait_for

HINT = r"; to run without a screen, put xvfb-run -a in front of the command \(xvfb-run -a quillmar\)\n"


def fail(message):
    sys.exit(f"FAIL: {message}")


def free_display_number():
    """A display number with no X server, neither socket file nor abstract socket."""
    with open("/proc/net/unix") as f:
        listening = f.read()
    for n in range(600, 700):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and f"/tmp/.X11-unix/X{n}\n" not in listening:
            return n
    fail("no free display number")


def xvfb(depth, auth=None):
    """Starts an Xvfb at this depth (clients without the cookie in `auth`
    refused) and returns (process, display name)."""
    read, write = os.pipe()
    args = ["Xvfb", "-displayfd", str(write), "-screen", "0", f"640x480x{depth}", "-nolisten", "tcp"]
    if auth:
        args += ["-auth", auth]
    proc = subprocess.Popen(args, pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    if not number:
        fail(f"Xvfb at depth {depth} did not start")
    return proc, f":{number}"


def window_of(pid):
    """The top-level window of process `pid` on the X display, or None."""
    d = display.Display()
    owner = d.intern_atom("_NET_WM_PID")
    for w in d.screen().root.query_tree().children:
        p = w.get_full_property(owner, X.AnyPropertyType)
        if p and p.value[0] == pid and w.get_wm_name() == "Quillmar (ver 1.0)":
            return w
    return None


def environment(changes):
    env = dict(os.environ, **changes)
    return {name: value for name, value in env.items() if value is not None}


def refused(program, what, changes, why):
    try:
        r = subprocess.run([program], env=environment(changes), capture_output=True, text=True, timeout=30)
    except subprocess.TimeoutExpired:
        fail(f"{what}: still running after 30 s (the window opened?)")
    if r.returncode != 1 or not re.fullmatch(f"quillmar: {why}{HINT}", r.stderr):
        fail(f"{what}: status {r.returncode}, standard error {r.stderr!r}; expected status 1 and one line "
             f"saying {why!r}")
    print(f"{what}: {r.stderr.strip()}")


def opens(program, what, changes):
    proc, _ = start(program, env=changes)
    proc.terminate()
    proc.wait(timeout=10)
    print(f"{what}: the window opened")


def runs(program, what, changes):
    """For a platform with no accessibility bridge: a refusal comes at once."""
    proc = subprocess.Popen([program], env=environment(changes))
    try:
        status = proc.wait(timeout=5)
        fail(f"{what}: the program ended with status {status}")
    except subprocess.TimeoutExpired:
        print(f"{what}: running after 5 s")
    finally:
        proc.kill()
        proc.wait()


def with_descriptors_closed(program, closed):
    """Qt writes a warning to standard error when XDG_RUNTIME_DIR is unset: into
    the X connection, when that took descriptor 2."""
    env = environment({"XDG_RUNTIME_DIR": None})
    proc = subprocess.Popen([program], env=env, preexec_fn=lambda: [os.close(fd) for fd in closed])
    try:
        wait_for(lambda: window_of(proc.pid), f"the window with descriptors {closed} closed")
        for fd in closed:
            target = os.readlink(f"/proc/{proc.pid}/fd/{fd}")
            if target != "/dev/null":
                fail(f"descriptors {closed} closed at start: descriptor {fd} is {target}, not /dev/null")
        print(f"descriptors {closed} closed at start: /dev/null, and the window opened")
    finally:
        proc.kill()
        proc.wait()


def main():
    program = sys.argv[1]
    servers = []
    with tempfile.TemporaryDirectory() as scratch:
        try:
            # A socket no one listens on, where Wayland clients look for one.
            dead = socket.socket(socket.AF_UNIX)
            dead.bind(os.path.join(scratch, "wayland-dead"))
            dead.close()
            auth = os.path.join(scratch, "auth")
            open(auth, "w").close()
            subprocess.run(["xauth", "-q", "-f", auth, "add", ":0", ".", "0123456789abcdef0123456789abcdef"], check=True)
            for args in ((8,), (16,), (24, auth)):
                servers.append(xvfb(*args))
            shallow, sixteen, guarded = (name for _, name in servers)
            dead_x = f":{free_display_number()}"
            live_x = os.environ["DISPLAY"]
            no_display = {"DISPLAY": None, "WAYLAND_DISPLAY": None, "QT_QPA_PLATFORM": None}
            x_only = {"WAYLAND_DISPLAY": None, "QT_QPA_PLATFORM": None}
            wayland_dead = {"WAYLAND_DISPLAY": "wayland-dead", "XDG_RUNTIME_DIR": scratch, "QT_QPA_PLATFORM": None}
            dead_socket = re.escape(os.path.join(scratch, "wayland-dead"))
            usable = r"no usable display \({}\)"
            # What, the environment's changes (None unsets), the reason given.
            for what, changes, why in [
                ("no display at all", no_display, r"no display found \(DISPLAY is not set\)"),
                ("dead X server", dict(x_only, DISPLAY=dead_x),
                 usable.format(f"no X server answers at DISPLAY={dead_x}")),
                ("QT_QPA_PLATFORM=xcb, dead X server", dict(x_only, DISPLAY=dead_x, QT_QPA_PLATFORM="xcb"),
                 usable.format(f"no X server answers at DISPLAY={dead_x}")),
                ("X server refusing the client", dict(x_only, DISPLAY=guarded, XAUTHORITY=os.devnull),
                 usable.format(f"the X server at DISPLAY={guarded} refused the connection: .+")),
                ("X screen with 8 bits a pixel", dict(x_only, DISPLAY=shallow),
                 usable.format("the screen has 8 bits a pixel; the window needs 15 or more")),
                ("dead Wayland socket, no DISPLAY", dict(wayland_dead, DISPLAY=None),
                 usable.format(f"DISPLAY is not set; no Wayland compositor answers at {dead_socket}")),
                ("dead Wayland socket, dead X server", dict(wayland_dead, DISPLAY=dead_x),
                 usable.format(f"no X server answers at DISPLAY={dead_x}; "
                               f"no Wayland compositor answers at {dead_socket}")),
                ("QT_QPA_PLATFORM=wayland, dead Wayland socket, live X server",
                 dict(wayland_dead, DISPLAY=live_x, QT_QPA_PLATFORM="wayland"),
                 usable.format(f"no Wayland compositor answers at {dead_socket}")),
                ("missing platform plugin", dict(no_display, QT_QPA_PLATFORM="nosuch"),
                 usable.format("Qt could not start the platform QT_QPA_PLATFORM=nosuch; "
                               "QT_DEBUG_PLUGINS=1 says why")),
            ]:
                refused(program, what, changes, why)
            for what, changes in [
                ("X screen with 16 bits a pixel", dict(x_only, DISPLAY=sixteen)),
                ("dead Wayland socket, live X server", dict(wayland_dead, DISPLAY=live_x)),
            ]:
                opens(program, what, changes)
            runs(program, "offscreen, no display", dict(no_display, QT_QPA_PLATFORM="offscreen"))
        finally:
            for proc, _ in servers:
                proc.terminate()
                proc.wait()
    for closed in ((0,), (1,), (2,), (0, 1, 2)):
        with_descriptors_closed(program, closed)
    print("display checks passed")


if __name__ == "__main__":
    main()
