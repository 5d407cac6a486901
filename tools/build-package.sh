#!/usr/bin/env bash
# Builds the Debian package build-pkg/quadrabash_<version>_amd64.deb and
# prints its path. Installs what is missing with apt-get, as root or through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; CPack finds
# the programs to scan for it with file.
tools/install-deps.sh play dpkg-dev file

# Debian's own compiler and linker flags, hardening included, as a package
# built by Debian would get them.
# The package preset reads them from CPPFLAGS, CXXFLAGS and LDFLAGS.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"

cmake --preset package > /dev/null
cmake --build build-pkg -j"$(nproc)"
rm -f build-pkg/quadrabash_*.deb
(cd build-pkg && cpack -G DEB > /dev/null)
ls "$PWD"/build-pkg/quadrabash_*.deb
