#!/usr/bin/env bash
# Takes the README's pictures again: builds the screenshots program and runs it
# from samples/ under a virtual display, writing doc/images/*.png.
#
#   tools/screenshots.sh [BUILD_DIR]      (default: build-doc)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build-doc}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKAV_TESTS=OFF -DKAV_BENCH=OFF
cmake --build "$build" -j "${JOBS:-2}" --target screenshots

mkdir -p "$root/doc/images"
cd "$root/samples"
# Always a virtual screen of its own, so the pictures do not depend on the desktop.
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/screenshots" "$root/doc/images"
