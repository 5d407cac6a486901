#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_BUILD_TESTS=ON -DQB_BUILD_BENCH=ON
cmake --build build -j"$(nproc)"
# The window is 1920 x 1080: give the virtual screen room for all of it.
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --test-dir build --output-on-failure
