#!/usr/bin/env bash
# Runs the accessibility check in a private D-Bus session on the X display
# the test run provides (Xvfb).
set -euo pipefail
if [[ -z "${DISPLAY:-}" ]]; then
    echo "accessibility test needs an X display (the test command runs it under Xvfb)" >&2
    exit 1
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
exec dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/accessibility_test.py" "$1"
