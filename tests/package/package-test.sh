#!/usr/bin/env bash
# Builds the Debian package and tries it the way a player gets it: lintian,
# apt-get install, the quadrabash command started from the home folder under
# Xvfb, the window closed with its close button, apt-get remove.
# Installs what it needs with apt-get (as root or through sudo); a quadrabash
# package already installed is removed first. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
SECONDS=0

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
    sudo=(sudo)
fi
apt() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}
fail() {
    echo "package test: FAILED: $*" >&2
    exit 1
}

echo "== tools"
apt update -qq
apt install -y -qq --no-install-recommends \
    lintian xvfb imagemagick desktop-file-utils appstream python3 libx11-6 > /dev/null

echo "== build"
deb="$(tools/build-package.sh | tail -n 1)"
[[ -f "$deb" ]] || fail "no package was built"
echo "$deb"

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

work="$(mktemp -d)"
xvfb_pid=""
game_pid=""
installed_by_us=0
cleanup() {
    if [[ -n "$game_pid" ]] && kill -0 "$game_pid" 2> /dev/null; then
        kill "$game_pid" 2> /dev/null || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2> /dev/null || true
    fi
    if [[ "$installed_by_us" -eq 1 ]]; then
        apt remove -y -qq quadrabash > /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

is_installed() {
    dpkg-query -W -f='${db:Status-Abbrev}' quadrabash 2> /dev/null | grep -q '^ii'
}

echo "== install"
if is_installed; then
    echo "removing the quadrabash package installed before this test"
    apt remove -y -qq quadrabash > /dev/null
fi
installed_by_us=1
(cd "$(dirname "$deb")" && apt install -y -qq "./$(basename "$deb")") > "$work/apt.log" 2>&1 \
    || { cat "$work/apt.log" >&2; fail "apt-get cannot install the package"; }
is_installed || fail "the package is not installed after apt-get install"
desktop-file-validate /usr/share/applications/quadrabash.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/quadrabash.metainfo.xml || fail "AppStream metadata"

echo "== play"
# The game's window is 1920 x 1080 and is centred on the screen.
screen_width=1920
screen_height=1080
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
    3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

home="${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}"
# Root's PATH lacks /usr/games, which every other user's login PATH has.
# The machine has no sound card: OpenAL plays into its null device.
(cd "$home" && PATH="$PATH:/usr/games" ALSOFT_DRIVERS=null \
    exec quadrabash > "$work/stdout" 2> "$work/stderr") &
game_pid=$!

find_window() {
    read -r window left top width height < <(python3 "$repo/tools/xwindow.py" find Quadrabash "$1") \
        || fail "no Quadrabash window; the game said: $(cat "$work/stderr")"
}
find_window 60

# Colour of one pixel of the window, as "R G B".
pixel() {
    local x=$((left + $2)) y=$((top + $3))
    convert "$1" -format \
        "%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]" info:
}
# The start menu: the dark red background all around, and the menu's
# translucent black band, 640 pixels wide down the middle, darkening it.
menu_problem() {
    local x colour r g b
    for x in 300 630 1290 1620; do
        colour="$(pixel "$1" "$x" 700)"
        [[ "$colour" == "36 4 4" ]] || { echo "background at x $x is $colour"; return; }
    done
    for x in 650 960 1270; do
        colour="$(pixel "$1" "$x" 700)"
        read -r r g b <<< "$colour"
        ((r > 0 && r < 36 && g <= 4 && b <= 4)) || { echo "band at x $x is $colour"; return; }
    done
}
screen="$(dirname "$deb")/package-test-screen.png"
problem="no picture"
for _ in $(seq 40); do
    kill -0 "$game_pid" 2> /dev/null || fail "the game ended by itself: $(cat "$work/stderr")"
    # The window is mapped first and moved to its place afterwards.
    find_window 5
    if ((left < 0 || top < 0 || left + width > screen_width || top + height > screen_height)); then
        problem="the window at $left,$top, $width x $height, is not all on the screen"
    else
        import -window root "$screen"
        problem="$(menu_problem "$screen")"
        [[ -z "$problem" ]] && break
    fi
    sleep 0.5
done
[[ -z "$problem" ]] || fail "the start menu is not drawn ($problem); see $screen"
echo "start menu drawn in the window at $left,$top, $width x $height"

python3 "$repo/tools/xwindow.py" close "$window" || fail "cannot send the close message"
for _ in $(seq 150); do
    kill -0 "$game_pid" 2> /dev/null || break
    sleep 0.1
done
kill -0 "$game_pid" 2> /dev/null && fail "the game is still running 15 s after its window was closed"
status=0
wait "$game_pid" || status=$?
game_pid=""
[[ "$status" -eq 0 ]] || fail "the game exited with status $status: $(cat "$work/stderr")"
[[ ! -s "$work/stdout" ]] || fail "the game printed on standard output: $(cat "$work/stdout")"
echo "closed, exit status 0, nothing printed"

echo "== remove"
dpkg -L quadrabash > "$work/files"
apt remove -y -qq quadrabash > /dev/null
installed_by_us=0
# The second letter is the package's state; n is not installed, c would mean
# configuration files left behind.
if dpkg-query -W -f='${db:Status-Abbrev}' quadrabash 2> /dev/null | grep -q '^.[^n]'; then
    fail "dpkg still has the package: $(dpkg-query -W -f='${db:Status-Abbrev}' quadrabash)"
fi
leftovers=()
while read -r path; do
    [[ -e "$path" || -L "$path" ]] || continue
    # Shared folders such as /usr/share stay; each must belong to another package.
    if [[ -d "$path" && ! -L "$path" ]] && dpkg -S "$path" > /dev/null 2>&1; then
        continue
    fi
    leftovers+=("$path")
done < "$work/files"
[[ ${#leftovers[@]} -eq 0 ]] || fail "left after removal: ${leftovers[*]}"
echo "nothing left"

echo "package test: OK in ${SECONDS} s"
