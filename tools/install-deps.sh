#!/usr/bin/env bash
# Installs what Quadrabash needs from Debian's archive, and only what is
# missing, with apt-get as root or through sudo. Debian 12 and 13 give every
# package the same name; each brings its own release's SFML (2.5 and 2.6).
#   install-deps.sh play [PACKAGE...]   what building and playing needs
#   install-deps.sh test [PACKAGE...]   that, plus the test, benchmark and
#                                       headless tools
# The other scripts name the few packages only they need as PACKAGE.
set -euo pipefail

mode="${1:-play}"
packages=(build-essential cmake libsfml-dev libstb-dev libopenal-dev libxrandr-dev
          fonts-dotgothic16 libgl1-mesa-dri)
if [[ "$mode" == "test" ]]; then
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev imagemagick
               xvfb xdotool python3 python3-numpy)
fi
packages+=("${@:2}")

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
