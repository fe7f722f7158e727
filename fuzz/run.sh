#!/bin/sh
# Builds the field-file fuzz target with libFuzzer and the address and
# undefined-behaviour sanitizers, then runs it.
#   fuzz/run.sh [seconds] [extra libFuzzer options...]
# Defaults to 60 seconds. New inputs go to a scratch folder; the saved seeds
# in fuzz/corpus/ are only read. Findings (crash-*, leak-*, timeout-*) land
# in the build folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
[ $# -gt 0 ] && shift
out=${FUZZ_BUILD_DIR:-$root/build-fuzz}
mkdir -p "$out/corpus"

CXX=${CXX:-clang++}
"$CXX" -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" $(pkg-config --cflags Qt6Core) \
    "$here/fieldfile_fuzz.cpp" "$root/mainwindow/FieldFileParser.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fieldfile_fuzz"

cd "$out"
exec ./fieldfile_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -dict="$here/fieldfile.dict" "$@" "$out/corpus" "$here/corpus"
