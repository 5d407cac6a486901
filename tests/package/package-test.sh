#!/usr/bin/env bash
# Builds the Debian package and tries it the way a player gets it: lintian, apt-get install,
# the installed metadata, the quadrabash command started from the home folder and closed with
# its window's close button, apt-get remove. Needs root or sudo; a quadrabash package already
# installed is removed first. Each step is one line of `step`; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
SECONDS=0
sudo=()
[[ "$(id -u)" -eq 0 ]] || sudo=(sudo)
apt() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@" > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; return 1; }; }
step() { echo "== $1"; shift; "$@" || { echo "package test: FAILED: $*" >&2; exit 1; }; }
installed() { dpkg-query -W -f='${db:Status-Abbrev}' quadrabash 2> /dev/null | grep -q '^ii'; }
work="$(mktemp -d)"
trap 'installed && apt remove quadrabash; rm -rf "$work"' EXIT

tools/install-deps.sh test lintian desktop-file-utils appstream
deb="$(tools/build-package.sh | tail -n 1)"
step "lintian $deb" lintian --fail-on error "$deb"
if installed; then apt remove quadrabash; fi
step "install" apt install "$deb"
step "desktop entry" desktop-file-validate /usr/share/applications/quadrabash.desktop
step "AppStream metadata" appstreamcli validate --no-net /usr/share/metainfo/quadrabash.metainfo.xml
dpkg -L quadrabash > "$work/files"
# Opened, its start menu drawn, closed: exit code 0 and nothing printed. The machine has no sound card.
step "play" /usr/bin/python3 tests/e2e/run_e2e.py --program /usr/games/quadrabash --out build-pkg/package-test
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
echo "package test: OK in ${SECONDS} s"
