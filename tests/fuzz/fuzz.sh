#!/usr/bin/env bash
# Fuzzes the asset header checks with libFuzzer under the sanitizers, seeded with the
# game's own assets and the malformed files of tests/fuzz/corpus. Whatever a check lets
# through is loaded by SFML as the game loads it; a crash, a sanitizer report or a huge
# allocation fails the run, and the input is kept as build-fuzz/crash-*: add it, named
# for what it breaks, to tests/fuzz/corpus.
#   tests/fuzz/fuzz.sh SECONDS [SEED]   SECONDS per check; CI gives a SEED so that every
#                                       run starts down the same path. The corpus is kept in
#                                       build-fuzz/corpus-*, so that long searches add up.
set -euo pipefail
cd "$(dirname "$0")/../.."
[[ "${1:-}" =~ ^[0-9]+$ ]] || { echo "usage: $0 SECONDS [SEED]" >&2; exit 2; }
options=(-max_total_time="$1" -max_len=16384 -print_final_stats=1 ${2:+-seed="$2"})

tools/install-deps.sh test clang libclang-rt-14-dev
cmake --preset fuzz > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_SoundHeader fuzz_ImageHeader game_assets

game=build-fuzz/game
mkdir -p build-fuzz/corpus-sound build-fuzz/corpus-image
cp tests/fuzz/corpus/sound-* "$game"/Sounds/*.wav build-fuzz/corpus-sound/
cp tests/fuzz/corpus/image-* "$game"/*.png "$game"/*.jpg build-fuzz/corpus-image/
for kind in Sound Image; do
    echo "== fuzzing the ${kind,,} check for $1 s"
    (cd build-fuzz && ALSOFT_DRIVERS=null ASAN_OPTIONS=detect_leaks=1 "tests/fuzz_${kind}Header" \
        "${options[@]}" -artifact_prefix="crash-${kind,,}-" "corpus-${kind,,}")
done
