#!/bin/sh
# Starts Velmora on a virtual X display (Xvfb), saves a PNG screenshot of the
# screen once the main window is up, and closes the program again.
#
# Usage: tools/screenshot.sh [output.png] [program folder]
#        tools/screenshot.sh --window NAME [output.png]
#        tools/screenshot.sh --list
#   --window NAME   a picture of one window (the main window, the race view,
#                   the statistics, a record window...) filled with sample
#                   data and the local sample form server, taken off-screen by
#                   build/tools/windowshot (no Xvfb needed); --list names them
#   output.png      where the picture goes (default: screenshot.png)
#   program folder  a folder holding Tarrow.mdb (and the sound files) to start
#                   on instead of the executable's folder (VELMORA_APP_DIR)
# Environment:
#   VELMORA_BIN       the program (default: build/bin/velmora of this tree)
#   VELMORA_REGISTRY  the settings store to use; by default a throw-away one,
#                     so the user's own settings and window layout stay as
#                     they are
#   SCREEN            the virtual screen's size and depth (default 1280x800x24)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)

case "${1:-}" in
    --window|--list)
        shot=${VELMORA_WINDOWSHOT:-$root/build/tools/windowshot}
        if [ ! -x "$shot" ]; then
            echo "screenshot.sh: $shot not found; build first (see README.md)" >&2
            exit 2
        fi
        if [ "$1" = --list ]; then
            exec "$shot" --list
        fi
        [ $# -ge 2 ] || { echo "screenshot.sh: --window needs a window name (--list names them)" >&2; exit 2; }
        QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$shot" "$2" "${3:-$2.png}"
        ;;
esac
out=${1:-screenshot.png}
bin=${VELMORA_BIN:-$root/build/bin/velmora}
screen=${SCREEN:-1280x800x24}

if [ ! -x "$bin" ]; then
    echo "screenshot.sh: $bin not found; build first (see README.md)" >&2
    exit 2
fi
command -v xvfb-run >/dev/null 2>&1 || { echo "screenshot.sh: xvfb-run missing (tools/deps.sh)" >&2; exit 2; }

case "$out" in
    /*) ;;
    *) out=$(pwd)/$out ;;
esac
rm -f "$out"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
if [ -z "${VELMORA_REGISTRY:-}" ]; then
    VELMORA_REGISTRY=$tmp/registry.json
    export VELMORA_REGISTRY
fi
if [ $# -ge 2 ]; then
    VELMORA_APP_DIR=$(cd "$2" && pwd)
    export VELMORA_APP_DIR
fi

# The program itself grabs the screen (VELMORA_SCREENSHOT) once its main
# window is shown, then closes the main window the ordinary way.
VELMORA_SCREENSHOT=$out QT_QPA_PLATFORM=xcb \
    timeout 120 xvfb-run -a -s "-screen 0 $screen" "$bin"

if [ ! -s "$out" ]; then
    echo "screenshot.sh: no screenshot was taken" >&2
    exit 1
fi
echo "$out"
