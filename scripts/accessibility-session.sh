#!/usr/bin/env bash
# Runs a command as it runs beside a screen reader: on a virtual X display, in a D-Bus session
# with the desktop's accessibility bus, and with a stand-in reader (build/bench/screenreader)
# asking about every event. Programs started inside see the bus; whether they use it is theirs
# to say (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 makes a Qt program use it).
#
#   scripts/accessibility-session.sh [--orca] COMMAND [ARGS...]
#
# With --orca, Orca itself is the reader, its speech and braille off; what it would have said is
# in its debug record, whose path the command finds in ORCA_RECORD.
#
# Needs the Debian packages xvfb, xauth, dbus, at-spi2-core and libatspi2.0-dev, and orca for
# --orca.
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
ready=listening
if [[ "${1:-}" == --orca ]]; then
    shift
    command -v orca >/dev/null || { echo "accessibility-session: install orca" >&2; exit 1; }
    # Orca will not start beside another Orca of the same user, and replacing it would take a
    # screen reader away from whoever uses it.
    if pgrep -u "$(id -u)" -x orca >/dev/null; then
        echo "accessibility-session: Orca is already running for this user; run this as another" \
            "user or once it has ended" >&2
        exit 1
    fi
    # Orca's own record for its regression tests: each utterance a line as it is spoken, unlike
    # its debug output, which is buffered and makes it ask the programs more than it would.
    prefs=$(mktemp -d)
    cat >"$prefs/orca-customizations.py" <<'PYTHON'
import logging, os
from gi.repository import GLib
record = logging.FileHandler(os.environ["ORCA_RECORD"], encoding="utf-8")
record.setFormatter(logging.Formatter("%(message)s"))
logging.getLogger("speech").addHandler(record)
GLib.idle_add(lambda: logging.getLogger("speech").info("ORCA READY") and False)
PYTHON
    export ORCA_RECORD=$said GSETTINGS_BACKEND=memory
    orca --disable speech --disable braille --user-prefs "$prefs" ${ORCA_DEBUG:+--debug-file "$ORCA_DEBUG"} >/dev/null 2>&1 &
    ready="ORCA READY"
else
    "$reader" >"$said" &
fi
reader_pid=$!
# Orca refuses to start while another Orca of the user is running: this one ends with the session.
# An Orca that never became ready may not heed SIGTERM; the session must end all the same.
stop_reader() {
    kill "$reader_pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$reader_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$reader_pid" 2>/dev/null || true
    wait "$reader_pid" 2>/dev/null || true
}
trap 'stop_reader; rm -rf "$said" ${prefs:-}' EXIT
for _ in $(seq 600); do
    grep -q "$ready" "$said" && break
    sleep 0.1
done
grep -q "$ready" "$said" || { echo "accessibility-session: the reader did not start" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
"$@"
