#!/usr/bin/env bash
# Runs a check of the real program (a Python script beside this one) in a
# private D-Bus session on the X display that the test run provides (Xvfb):
#   bus_test.sh SCRIPT PROGRAM
set -euo pipefail
if [[ -z "${DISPLAY:-}" ]]; then
    echo "this test needs an X display (the test command runs it under Xvfb)" >&2
    exit 1
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
# The helpers the scripts share (bus_helpers.py) live with the other test fakes.
export PYTHONPATH="$(dirname "$0")/../../testing${PYTHONPATH:+:$PYTHONPATH}"
exec dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/$1" "$2"
