#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from its asset folder.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)"
cd build/game
exec ./quadrabash
