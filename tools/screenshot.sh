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
#   program folder  a folder holding Tarrow.mdb (and the sound files) to show
#                   instead of the executable's folder's template
# The program always runs on a throw-away copy: the Tarrow.mdb and the sound
# files are copied into a temporary folder (VELMORA_APP_DIR), with its own
# settings store (VELMORA_REGISTRY), removed again at the end. The user's own
# database, settings and window layout are never opened. The template has no
# jockeys, so the start-up refresh asks nothing of the network; a folder whose
# database has jockeys needs the network, or the refresh's connection error
# holds the start until the two-minute time limit.
# Environment:
#   VELMORA_BIN       the program (default: build/bin/velmora of this tree)
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

if [ $# -ge 2 ]; then
    from=$(cd "$2" && pwd)
else
    from=$(dirname "$bin")
fi
if [ ! -f "$from/Tarrow.mdb" ]; then
    echo "screenshot.sh: no Tarrow.mdb in $from" >&2
    exit 2
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM
mkdir "$tmp/app" "$tmp/legacy" "$tmp/cache"
cp "$from/Tarrow.mdb" "$tmp/app/"
for wav in "$from"/*.wav "$from"/*.Wav "$from"/*.WAV; do
    if [ -f "$wav" ]; then cp "$wav" "$tmp/app/"; fi
done
VELMORA_APP_DIR=$tmp/app
VELMORA_REGISTRY=$tmp/registry.json
VELMORA_LEGACY_DIR=$tmp/legacy
XDG_CACHE_HOME=$tmp/cache
export VELMORA_APP_DIR VELMORA_REGISTRY VELMORA_LEGACY_DIR XDG_CACHE_HOME

# The program itself grabs the screen (VELMORA_SCREENSHOT) once its main
# window is shown, then closes the main window the ordinary way.
# xvfb-run keeps its X authority file in our temporary folder: ended by the
# time limit it cannot tidy up its own, and ours is removed however we end.
# It runs in the background while we wait: the shell holds a trap back until
# a command in the foreground ends, so Ctrl-C would wait out the time limit.
# timeout runs in a process group of its own, which a Ctrl-C at the terminal
# does not reach; told to stop, it passes the signal on to that whole group
# (xvfb-run, Xvfb and the program), and we wait for it before the temporary
# folder is removed (quietly: the shell would report the signal that ended
# it, though stopping was what was asked).
status=0
VELMORA_SCREENSHOT=$out QT_QPA_PLATFORM=xcb \
    timeout 120 xvfb-run -a -f "$tmp/Xauthority" -s "-screen 0 $screen" "$bin" &
child=$!
trap 'kill -TERM "$child" 2>/dev/null || :; wait "$child" 2>/dev/null || :; exit 130' INT TERM
wait "$child" || status=$?

if [ ! -s "$out" ]; then
    if [ "$status" -eq 124 ]; then
        echo "screenshot.sh: the main window did not come up within two minutes" \
            "(a message at start-up, such as a connection error, may have held it)" >&2
    fi
    echo "screenshot.sh: no screenshot was taken" >&2
    exit 1
fi
echo "$out"
