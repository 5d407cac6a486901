#!/usr/bin/env bash
# Measures Quadrabash and writes docs/performance.md: the simulation step at
# 1 to 100 balls, the level build, start-up to the first frame, peak memory,
# the steps and frames a second of the real program beside a bare SFML program
# drawing the same frame as fast as it can, with and without multisampling, the
# CPU the game takes on its still start menu, and what it writes in a minute
# without a sound device. Every figure but the last is the median of 5 runs.
#
#   tools/bench.sh            install what is missing, build, measure, write
#
# Installs with apt-get (as root or through sudo) and builds a Release tree in
# build-bench/. Everything runs under one private Xvfb; sound goes nowhere.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=5
build=build-bench
out="${build}/perf"

if [[ "${1:-}" != "--measure" ]]; then
    # time: the peak memory; mesa-utils: the name of the renderer.
    tools/install-deps.sh test time mesa-utils
    cmake --preset bench
    cmake --build "${build}" -j"$(nproc)"
    rm -rf "${out}"
    mkdir -p "${out}"
    exec /usr/bin/python3 tests/xsession.py "$0" --measure
fi

export ALSOFT_DRIVERS=null
root="$(pwd)"
game_dir="${root}/${build}/game"
shim="${root}/${build}/bench/libquadrabash_framecounter.so"
bare="${root}/${build}/bench/quadrabash_bareframe"
out="${root}/${out}"

echo "== simulation and level build (google benchmark, ${runs} repetitions)"
(cd "${game_dir}" && "${root}/${build}/bench/quadrabash_bench" \
    --benchmark_repetitions="${runs}" --benchmark_display_aggregates_only=true \
    --benchmark_out="${out}/bench.json" --benchmark_out_format=json)

# Takes the game past its start menu with Escape, to the screen where it
# waits for the launch click: the pad and the resting ball are drawn every step.
start_play() {
    local window
    window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Quadrabash$' | head -n 1 || true)"
    if [[ -n "${window}" ]]; then
        xdotool windowfocus "${window}" || true
        xdotool key Escape
    fi
}

# One run of a program with the frame counter preloaded; the counter ends the
# program once it has counted. The game is taken to the launch screen.
frames_run() {
    local name="$1" run="$2" program=("${@:3}")
    local result="${out}/${name}-${run}.frames" memory="${out}/${name}-${run}.time"
    (cd "${game_dir}" && exec /usr/bin/time -v -o "${memory}" \
        env LD_PRELOAD="${shim}" QB_FRAMES_OUT="${result}" QB_LAUNCH_NS="$(date +%s%N)" \
        QB_FRAMES_WARMUP=3 QB_FRAMES_SECONDS=5 "${program[@]}" >"${out}/${name}-${run}.log" 2>&1) &
    local pid=$!
    if [[ "${name}" == game ]]; then
        start_play
    fi
    # A program that never draws would never end: stop it (the child of
    # /usr/bin/time) after a minute.
    (sleep 60; pkill -P "${pid}" 2>/dev/null; kill "${pid}" 2>/dev/null) &
    local watchdog=$!
    wait "${pid}" || true
    kill "${watchdog}" 2>/dev/null || true
    wait "${watchdog}" 2>/dev/null || true
    [[ -s "${result}" ]] || { echo "no frames counted for ${name}, run ${run}" >&2; exit 1; }
}

echo "== frames, steps, start-up and memory: the game and the bare program with and without samples, in turn, ${runs} runs each"
for run in $(seq 1 "${runs}"); do
    frames_run game "${run}" "${game_dir}/quadrabash"
    frames_run bare8 "${run}" "${bare}" 8
    frames_run bare0 "${run}" "${bare}" 0
    echo "run ${run}: game $(grep '^fps' "${out}/game-${run}.frames"), bare with samples" \
         "$(grep '^fps' "${out}/bare8-${run}.frames"), without $(grep '^fps' "${out}/bare0-${run}.frames")"
done

# The CPU time of the whole process, all its threads, over 10 s of the start
# menu after 3 s to settle, as a share of one core.
cpu_run() {
    local run="$1"
    (cd "${game_dir}" && exec ./quadrabash >/dev/null 2>&1) &
    local pid=$!
    timeout 20 xdotool search --sync --onlyvisible --name '^Quadrabash$' >/dev/null || true
    sleep 3
    # utime and stime, in clock ticks
    local before after
    before="$(awk '{ print $14 + $15 }' "/proc/${pid}/stat")"
    sleep 10
    after="$(awk '{ print $14 + $15 }' "/proc/${pid}/stat")"
    echo "$((after - before)) $(getconf CLK_TCK) 10" > "${out}/menu-cpu-${run}"
    kill "${pid}"; wait "${pid}" 2>/dev/null || true
}
echo "== CPU on the still start menu, ${runs} runs"
for run in $(seq 1 "${runs}"); do
    cpu_run "${run}"
done

# A minute as a player without a sound card meets it: launched from the start
# menu, played until lost; every line it writes, both streams.
echo "== a minute without a sound device"
(cd "${game_dir}" && exec env ALSOFT_DRIVERS=no-such-backend ./quadrabash >"${out}/silent.log" 2>&1) &
silent=$!
start_play
sleep 1
xdotool mousemove 960 540 click 1
sleep 59
kill "${silent}"; wait "${silent}" 2>/dev/null || true

export QB_DATE="$(date -u '+%Y-%m-%d %H:%M UTC')"
export QB_CPU="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
export QB_NPROC="$(nproc)"
export QB_LOAD="$(cut -d' ' -f1-3 /proc/loadavg)"
export QB_NICE="$(nice)"
export QB_KERNEL="$(uname -r)"
export QB_COMPILER="$(c++ --version | head -n 1)"
export QB_SFML="$(dpkg-query -W -f='${Version}' libsfml-dev 2>/dev/null || echo unknown)"
export QB_RENDERER="$(glxinfo -B 2>/dev/null | grep -m1 'OpenGL renderer' | cut -d: -f2- | sed 's/^ *//' || true)"
export QB_COMMIT="$(git rev-parse --short HEAD)$(git diff --quiet HEAD -- src bench tools || echo ' with local changes')"
python3 - "${out}" "${runs}" <<'PY'
import json, os, statistics, sys
out, runs = sys.argv[1], int(sys.argv[2])
machine = {k: os.environ.get("QB_" + k.upper(), "") or "unknown" for k in
           ("date", "cpu", "nproc", "load", "nice", "kernel", "compiler", "sfml", "renderer", "commit")}

bench = json.load(open(os.path.join(out, "bench.json")))
def median(name):
    for b in bench["benchmarks"]:
        if b["name"] == name + "_median":
            return b
    raise SystemExit("missing benchmark " + name)

def fastest(name):
    return min((b for b in bench["benchmarks"]
                if b["run_name"] == name and b["run_type"] == "iteration"),
               key=lambda b: b["cpu_time"])

def frames(name):
    rows = []
    for run in range(1, runs + 1):
        values = dict(line.split() for line in open(os.path.join(out, f"{name}-{run}.frames")))
        for line in open(os.path.join(out, f"{name}-{run}.time")):
            if "Maximum resident set size" in line:
                values["rss_kb"] = line.split(":")[1].strip()
        rows.append({k: float(v) for k, v in values.items()})
    return rows

game, bare8, bare0 = frames("game"), frames("bare8"), frames("bare0")
med = lambda rows, key: statistics.median(r[key] for r in rows)

lines = []
w = lines.append
w("# Performance")
w("")
w("Written by `tools/bench.sh`; run it again to regenerate this page. Every figure is")
w(f"the median of {runs} runs.")
w("")
w("## Machine")
w("")
w("| | |")
w("|---|---|")
w(f"| date | {machine['date']} |")
w(f"| CPU | {machine['cpu']} |")
w(f"| cores (nproc) | {machine['nproc']} |")
w(f"| load average when measured | {machine['load']} |")
w(f"| niceness of the run | {machine['nice']} |")
w(f"| kernel | {machine['kernel']} |")
w(f"| compiler | {machine['compiler']} |")
w(f"| SFML (libsfml-dev) | {machine['sfml']} |")
w(f"| OpenGL under Xvfb | {machine['renderer']} |")
w(f"| commit | {machine['commit']} |")
w("")
w("Benchmarks are noisy on a shared machine: expect a spread of 10% or more between")
w("two runs of this command, and much more when other work runs (see the load average")
w("above; wall time then runs well ahead of CPU time, and the fastest run is the best")
w("guess at what the code costs on a quiet machine).")
w("")
w("## Simulation step")
w("")
w("One `Game::Update` with a full grid of 54 bricks and the given number of balls in")
w("play (`bench/GameBench.cpp`, `BM_GameUpdate`: a pad as wide as the window")
w("catches every ball and the balls do no damage, so every step costs what a step of")
w("a fresh level costs, hits, sounds and combos included). A step has 16.7 ms at 60")
w("steps per second.")
w("")
w("| balls | CPU time per step | wall time per step | share of a 16.7 ms step | fastest of the runs (CPU) |")
w("|---|---|---|---|---|")
def us(b, key):
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
    return b[key] * scale
for balls in (1, 10, 30, 50, 100):
    b = median(f"BM_GameUpdate/{balls}")
    cpu, wall = us(b, "cpu_time"), us(b, "real_time")
    low = us(fastest(f"BM_GameUpdate/{balls}"), "cpu_time")
    w(f"| {balls} | {cpu:.1f} µs | {wall:.1f} µs | {100 * cpu / 16666.7:.2f}% | {low:.1f} µs |")
w("")
w("## Level build")
w("")
build = median("BM_BuildLevel")
lay = median("BM_LayBricks")
w("| | CPU time |")
w("|---|---|")
w(f"| `BuildLevel`: 54 bricks and a ball, each loading its own image | {us(build, 'cpu_time') / 1000:.2f} ms |")
w(f"| `LayBricks` alone: the 18 x 3 grid from its two templates | {us(lay, 'cpu_time') / 1000:.2f} ms |")
w("")
w("## The real program")
w("")
w("The game and a bare SFML program (`bench/frames/BareFrame.cpp`) run in turn under")
w("one Xvfb (1920 x 1080 x 24), whose OpenGL is Mesa's llvmpipe: a machine without a")
w("graphics card, where the CPU draws every pixel. Both open the game's window and")
w("draw the same frame: 54 textured 100 x 50 bricks, a 200 x 20 pad, a ball of radius")
w("10 and the 8 texts of the display in the game's font at size 30. The bare program")
w("draws it as often as it can, once asking for 8x multisampling (llvmpipe grants")
w("4x) and once without: the floor the game's frames stand on. The game chooses")
w("itself (on llvmpipe, no multisampling) and is taken past its start menu with")
w("Escape, to the screen where it waits for the launch click, drawn after every step.")
w("`bench/frames/FrameCounter.cpp`, preloaded with `LD_PRELOAD`, counts from outside")
w("the calls to `glXSwapBuffers` (frames) and the readings of an empty event queue")
w("(steps, which read the events once each while play runs) for 5 s after 3 s of")
w("warm-up, and notes when the first frame came.")
w("")
w("| | game | bare SFML, 8x asked | bare SFML, none |")
w("|---|---|---|---|")
w(f"| steps per second (60 is full speed) | {med(game, 'steps_per_s'):.1f} | | |")
w(f"| frames per second | {med(game, 'fps'):.1f} | {med(bare8, 'fps'):.1f} | {med(bare0, 'fps'):.1f} |")
w(f"| start-up to the first drawn frame | {med(game, 'startup_s') * 1000:.0f} ms | {med(bare8, 'startup_s') * 1000:.0f} ms | {med(bare0, 'startup_s') * 1000:.0f} ms |")
w(f"| peak memory (`/usr/bin/time -v`, maximum resident set) | {med(game, 'rss_kb') / 1024:.1f} MiB | {med(bare8, 'rss_kb') / 1024:.1f} MiB | {med(bare0, 'rss_kb') / 1024:.1f} MiB |")
w("")
w("The game draws one frame per step where things move, so its frames follow its")
w("steps. Start-up runs from the launch to the first buffer swap; the game's includes")
w("opening the audio device and loading its sounds. Each of the game's entities loads")
w("its own copy of its image, where the bare program shares one texture among the")
w("bricks.")
w("")
w("Per run:")
w("")
w("| run | game steps/s | game fps | bare fps, 8x asked | bare fps, none | game start-up | game peak |")
w("|---|---|---|---|---|---|---|")
for i, (g, b8, b0) in enumerate(zip(game, bare8, bare0), 1):
    w(f"| {i} | {g['steps_per_s']:.1f} | {g['fps']:.1f} | {b8['fps']:.1f} | {b0['fps']:.1f} | {g['startup_s'] * 1000:.0f} ms | {g['rss_kb'] / 1024:.1f} MiB |")
w("")
w("## What the game costs when nothing moves")
w("")
cpu = []
for run in range(1, runs + 1):
    ticks, per_second, seconds = (float(x) for x in open(os.path.join(out, f"menu-cpu-{run}")).read().split())
    cpu.append(100 * ticks / per_second / seconds)
w("The CPU time of the whole game process, every thread of it (llvmpipe's, OpenAL")
w("Soft's mixer on its `null` backend, the music's stream), over 10 s of the start")
w("menu after 3 s to settle, read from `/proc/PID/stat`, as a share of one core. The")
w("start menu is still: it is drawn when an event comes, and twice a second besides.")
w("")
w("| | median | runs |")
w("|---|---|---|")
w(f"| CPU on the start menu | {statistics.median(cpu):.1f}% of a core | {', '.join(f'{c:.1f}%' for c in cpu)} |")
w("")
w("## Without a sound device")
w("")
silent = open(os.path.join(out, "silent.log"), encoding="latin-1").read().splitlines()
w("One session of 60 s with OpenAL Soft given a backend that does not exist")
w("(`ALSOFT_DRIVERS=no-such-backend`): the start menu left with Escape, one launch, then")
w("play until the game is lost. Every line the game wrote, standard output and error")
w(f"together: {len(silent)}.")
w("")
w("```")
for line in silent:
    w(line)
w("```")
w("")
open("docs/performance.md", "w").write("\n".join(lines))
print("wrote docs/performance.md")
PY
