#!/usr/bin/env bash
# Runs a command on a display: the one in DISPLAY, or a virtual one (Xvfb) that
# is started for the command and stopped after it: on_display.sh COMMAND...
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
for number in $(seq 90 99); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || break
done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=":$number"
for _ in $(seq 50); do # up to 5 s for the server to accept clients
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
code=0
"$@" || code=$?
exit "$code"
