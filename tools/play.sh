#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from its asset folder.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh play
cmake --preset play
cmake --build build -j"$(nproc)"
cd build/game
exec ./quadrabash
