#!/usr/bin/env bash
# Runs a test program on the X11 platform under a window manager (openbox), on the X server
# that xvfb-run gives. The program starts once the window manager has taken the screen.
set -u
ready="$(mktemp -u)"
openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
wm=$!
for _ in $(seq 600); do
    [ -e "$ready" ] && break
    sleep 0.1
done
if [ ! -e "$ready" ]; then
    echo "the window manager did not start" >&2
    kill "$wm" 2>/dev/null
    exit 1
fi
QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 "$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
rm -f "$ready"
exit "$rc"
