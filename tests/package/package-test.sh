#!/usr/bin/env bash
# Builds the Debian package and tries it the way a player gets it: lintian, apt-get install,
# the installed metadata, the quadrabash command started from the home folder and closed with
# its window's close button, apt-get remove. Needs root or sudo; a quadrabash package already
# installed is removed first. Each step is one line of `step`; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
# The offline rebuild runs in a network namespace of its own. Root makes one directly; anyone
# else needs a user namespace for it (-r), and none can be made inside a chroot, where CI runs
# this as root.
sudo=() offline=(unshare -n)
[[ "$(id -u)" -eq 0 ]] || sudo=(sudo) offline=(unshare -rn)
apt() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@" > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; return 1; }; }
step() { echo "== $1"; shift; "$@" || { echo "package test: FAILED: $*" >&2; exit 1; }; }
installed() { dpkg-query -W -f='${db:Status-Abbrev}' quadrabash 2> /dev/null | grep -q '^ii'; }
work="$(mktemp -d)"
trap 'installed && apt remove quadrabash; rm -rf "$work"' EXIT

tools/install-deps.sh test lintian desktop-file-utils appstream
deb="$(tools/build-package.sh | tail -n 1)"
step "lintian $deb" lintian --fail-on error "$deb"

# The source release holds exactly the tree git carries; unpacked elsewhere and
# built later with no network, it gives the same package, byte for byte.
source_release() {
    (cd build-pkg && rm -f quadrabash-*.tar.gz && cpack --config CPackSourceConfig.cmake > /dev/null)
    tar -xzf build-pkg/quadrabash-*.tar.gz -C "$work"
    diff <(git ls-files -co --exclude-standard | sort) \
         <(cd "$work"/quadrabash-* && find . -type f -printf '%P\n' | sort)
    (cd "$work"/quadrabash-* && "${offline[@]}" tools/build-package.sh > "$work/rebuild.log" 2>&1) \
        || { tail -n 20 "$work/rebuild.log"; return 1; }
    cmp "$deb" "$work"/quadrabash-*/build-pkg/quadrabash_*.deb
}
step "source release: the whole tree, built offline to the same bytes" source_release
if installed; then apt remove quadrabash; fi
step "install" apt install "$deb"
step "desktop entry" desktop-file-validate /usr/share/applications/quadrabash.desktop
step "AppStream metadata" appstreamcli validate --pedantic --no-net /usr/share/metainfo/org.quadrabash.quadrabash.metainfo.xml
step "licence" grep -qx 'License: Expat' /usr/share/doc/quadrabash/copyright

# Options need no display; without one the game says so on one line and stops.
run() { status=0; env -u DISPLAY /usr/games/quadrabash "$@" > "$work/out" 2> "$work/err" || status=$?; }
command_line() {
    run --help && [[ $status -eq 0 && -s "$work/out" ]] || return 1
    run --version && [[ $status -eq 0 && "$(cat "$work/out")" == "quadrabash $(dpkg-deb -f "$deb" Version)" ]] || return 1
    run --bogus && [[ $status -eq 2 && -s "$work/err" && ! -s "$work/out" ]] || return 1
    run && [[ $status -eq 1 && "$(wc -l < "$work/err")" -eq 1 ]]
}
step "command line: --help, --version, a bad argument, no display" command_line
dpkg -L quadrabash > "$work/files"
# Opened, its start menu drawn, closed: exit code 0 and nothing printed. The machine has no sound card.
# Started as the desktop menu starts it.
step "play" /usr/bin/python3 tests/e2e/run_e2e.py --out build-pkg/package-test \
    --program "$(sed -n 's/^Exec=//p' /usr/share/applications/quadrabash.desktop)"
step "remove" apt remove quadrabash

# Nothing left behind: dpkg forgets the package (n, not c for configuration files kept), and
# every path it had is gone but the shared folders other packages own.
left() {
    dpkg-query -W -f='${db:Status-Abbrev}' quadrabash 2> /dev/null | grep -q '^.[^n]' && return 0
    while read -r path; do
        [[ -d "$path" && ! -L "$path" ]] && dpkg -S "$path" > /dev/null 2>&1 && continue
        [[ -e "$path" || -L "$path" ]] && echo "left after removal: $path" && return 0
    done < "$work/files"
    return 1
}
step "nothing left" eval '! left'
echo "package test: OK"
