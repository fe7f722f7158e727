#!/bin/sh
# Installs the Debian 12 packages Velmora needs to build, run and test,
# skipping the ones already present.
set -e
PKGS="cmake ninja-build g++ pkg-config qt6-base-dev qt6-multimedia-dev libqt6multimedia6 \
libsqlite3-dev sqlite3 libgtest-dev libgmock-dev libcpp-httplib-dev xvfb xauth poppler-utils"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    # Installing packages is the one step that needs root: the program itself
    # is built and run as the user who keeps the bookings.
    install="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing"
    if [ "$(id -u)" -eq 0 ]; then
        sh -c "$install"
    elif command -v sudo >/dev/null 2>&1; then
        sudo sh -c "$install"
    else
        echo "Installing packages needs root: enter the root password."
        # su ends with 1 when it could not run the command at all (a wrong
        # password, a root account that takes none); the installer's own
        # failures end otherwise and speak for themselves.
        status=0
        su root -c "$install" || status=$?
        if [ "$status" -eq 1 ]; then
            echo "tools/deps.sh: nothing was installed, as su could not become root." >&2
            echo "Run ./tools/deps.sh as root (or ask whoever looks after this computer to run it)," >&2
            echo "then the build and the program as yourself." >&2
        fi
        [ "$status" -eq 0 ] || exit "$status"
    fi
fi
