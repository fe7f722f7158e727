#!/bin/sh
# Builds a fuzz target with libFuzzer and the address and undefined-behaviour
# sanitizers, then runs it.
#   fuzz/run.sh [target] [seconds] [extra libFuzzer options...]
# Targets: fieldfile (the default), publicfields, fileview, lists, club.
# Defaults to 60 seconds. New inputs go to a scratch folder; the saved seeds
# in fuzz/corpus*/ are only read. Findings (crash-*, leak-*, timeout-*) land
# in the build folder.
# Needs clang (libFuzzer comes with it), which tools/deps.sh does not
# install: su root -c 'apt-get install clang' (asks for the root password).
# CXX names another clang++.
set -eu
CXX=${CXX:-clang++}
if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "fuzz/run.sh: $CXX not found. The fuzz targets are built with clang's libFuzzer," >&2
    echo "which tools/deps.sh does not install. Install it with:" >&2
    echo "  su root -c 'apt-get install clang'" >&2
    echo "(it asks for the root password; or ask whoever looks after this computer to install clang)." >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
target=fieldfile
case "${1:-}" in
    fieldfile|publicfields|fileview|lists|club) target=$1; shift ;;
esac
seconds=${1:-60}
[ $# -gt 0 ] && shift
out=${FUZZ_BUILD_DIR:-$root/build-fuzz}

case "$target" in
    fieldfile)
        sources="$here/fieldfile_fuzz.cpp $root/mainwindow/FieldFileParser.cpp"
        seeds="$here/corpus"; dict="$here/fieldfile.dict"; maxlen=8192 ;;
    publicfields|fileview|club)
        sources="$here/${target}_fuzz.cpp $root/download/modBrowserPages.cpp $root/core/modText.cpp"
        seeds="$here/corpus_$target"; dict="$here/pages.dict"; maxlen=16384 ;;
    lists)
        sources="$here/lists_fuzz.cpp $root/download/MeetingLists.cpp $root/core/modText.cpp"
        seeds="$here/corpus_lists"; dict="$here/pages.dict"; maxlen=16384 ;;
esac
scratch="$out/corpus"
[ "$target" = fieldfile ] || scratch="$out/corpus_$target"
mkdir -p "$scratch"

"$CXX" -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" $(pkg-config --cflags Qt6Core) \
    $sources \
    $(pkg-config --libs Qt6Core) -o "$out/${target}_fuzz"

cd "$out"
exec "./${target}_fuzz" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 \
    -dict="$dict" "$@" "$scratch" "$seeds"
