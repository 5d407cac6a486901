#!/usr/bin/env bash
# Draws the start menu, the pause menu, the shop and the game over screen
# under Xvfb and writes them as PNG pictures, to look at by eye.
#   tools/menu_screenshots.sh [build-dir] [output-dir]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-/tmp/quadrabash-screens}"
tests="$build/tests/quadrabash_tests"

if [ ! -x "$tests" ]; then
    echo "No test program at $tests: build the project first." >&2
    exit 1
fi
mkdir -p "$out"
cd "$build/game"
QB_SCREENSHOT_DIR="$out" ALSOFT_DRIVERS=null \
    xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$tests" --gtest_filter='ScreensAsDrawn.*'
ls -l "$out"/*.png
