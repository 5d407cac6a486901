#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test
cmake --preset tests
cmake --build build -j"$(nproc)"
# Every test starts its own Xvfb (tests/xsession.py).
ctest --preset tests
