#!/usr/bin/env bash
# Fuzzes the asset header checks with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, each target for SECONDS (default 60), seeded with
# the game's own assets and the malformed files of tests/fuzz/corpus. Whatever
# a check lets through is loaded by SFML as the game loads it; any crash,
# sanitizer report or huge allocation fails the run.
#   tools/fuzz.sh [SECONDS]      (after tools/test.sh has built build/game)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

if ! command -v clang++ > /dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed"; then
    sudo=()
    [[ "$(id -u)" -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DQB_SANITIZE=ON -DQB_FUZZ=ON \
    -DQB_BUILD_TESTS=ON -DQB_BUILD_BENCH=OFF > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_SoundHeader fuzz_ImageHeader game_assets

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Sound" "$work/Image"
cp tests/fuzz/corpus/sound-* build-fuzz/game/Sounds/ball_tap_*.wav "$work/Sound/"
cp tests/fuzz/corpus/image-* build-fuzz/game/blanc.png build-fuzz/game/Brick.jpg "$work/Image/"
for kind in Sound Image; do
    echo "== fuzzing the ${kind,,} check for ${seconds} s"
    (cd "$work" && ALSOFT_DRIVERS=null ASAN_OPTIONS=detect_leaks=1 \
        "$OLDPWD/build-fuzz/tests/fuzz_${kind}Header" -max_total_time="$seconds" -max_len=16384 \
        -print_final_stats=1 "$kind")
done
