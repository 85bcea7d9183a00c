#!/usr/bin/env bash
# Runs a command as it runs beside a screen reader: on a virtual X display, in a D-Bus session
# with the desktop's accessibility bus, and with a stand-in reader (build/bench/screenreader)
# asking about every event. Programs started inside see the bus; whether they use it is theirs
# to say (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 makes a Qt program use it).
#
#   scripts/accessibility-session.sh COMMAND [ARGS...]
#
# Needs the Debian packages xvfb, xauth, dbus, at-spi2-core and libatspi2.0-dev.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
reader=${BUILD_DIR:-$root/build}/bench/screenreader

if [[ "${1:-}" != --inside ]]; then
    for needed in xvfb-run xauth dbus-run-session /usr/libexec/at-spi-bus-launcher "$reader"; do
        if ! command -v "$needed" >/dev/null; then
            echo "accessibility-session: $needed is missing; install xvfb xauth dbus" \
                "at-spi2-core libatspi2.0-dev and run scripts/build.sh" >&2
            exit 1
        fi
    done
    exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- "$0" --inside "$@"
fi
shift

# Asking for the bus's address starts it, so the programs find it there when they start.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null
said=$(mktemp)
"$reader" >"$said" &
reader_pid=$!
trap 'kill "$reader_pid" 2>/dev/null; rm -f "$said"' EXIT
for _ in $(seq 100); do
    grep -q listening "$said" && break
    sleep 0.1
done
grep -q listening "$said" || { echo "accessibility-session: the reader did not start" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
"$@"
