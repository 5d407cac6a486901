#!/usr/bin/env bash
# Fuzzes the asset header checks with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, seeded with the game's own assets and the
# malformed files of tests/fuzz/corpus. Whatever a check lets through is loaded
# by SFML as the game loads it; any crash, sanitizer report or huge allocation
# fails the run.
#   tools/fuzz.sh SECONDS [SEED]   SECONDS per target. CI gives a fixed SEED so
#                                  that every run starts down the same path.
#   tools/fuzz.sh --explore SECONDS
#                                  a fresh seed, and a corpus kept across runs in
#                                  build-fuzz/corpus-*, so long searches add up.
# Inputs that fail are written to build-fuzz/crash-*: add each one, named for
# what it breaks, to tests/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
explore=0
if [[ "${1:-}" == "--explore" ]]; then
    explore=1
    shift
fi
if ! [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    echo "usage: tools/fuzz.sh SECONDS [SEED] | tools/fuzz.sh --explore SECONDS" >&2
    exit 2
fi
options=(-max_total_time="$1" -max_len=16384 -print_final_stats=1)
[[ -n "${2:-}" ]] && options+=(-seed="$2")

tools/install-deps.sh test clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DQB_SANITIZE=ON -DQB_FUZZ=ON \
    -DQB_BUILD_TESTS=ON -DQB_BUILD_BENCH=OFF > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_SoundHeader fuzz_ImageHeader game_assets

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
corpus="$work"
[[ "$explore" -eq 1 ]] && corpus="$PWD/build-fuzz"
mkdir -p "$corpus/corpus-sound" "$corpus/corpus-image"
cp tests/fuzz/corpus/sound-* build-fuzz/game/Sounds/ball_tap_*.wav "$corpus/corpus-sound/"
cp tests/fuzz/corpus/image-* build-fuzz/game/blanc.png build-fuzz/game/Brick.jpg "$corpus/corpus-image/"
for kind in Sound Image; do
    echo "== fuzzing the ${kind,,} check for $1 s"
    (cd "$work" && ALSOFT_DRIVERS=null ASAN_OPTIONS=detect_leaks=1 \
        "$OLDPWD/build-fuzz/tests/fuzz_${kind}Header" "${options[@]}" \
        -artifact_prefix="$OLDPWD/build-fuzz/crash-${kind,,}-" "$corpus/corpus-${kind,,}")
done
