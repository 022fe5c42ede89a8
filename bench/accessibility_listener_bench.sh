#!/usr/bin/env bash
# Runs the listener benchmark in a private D-Bus session under Xvfb:
#   bench/accessibility_listener_bench.sh build/app/quillmar [GENERATIONS]
set -euo pipefail
here=$(dirname "$0")
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
run=(dbus-run-session -- /usr/bin/python3 "$here/accessibility_listener_bench.py" "$@")
if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
fi
exec "${run[@]}"
