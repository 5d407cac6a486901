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
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" > /dev/null
cmake --build build-pkg -j"$(nproc)"
rm -f build-pkg/quadrabash_*.deb
(cd build-pkg && cpack -G DEB > /dev/null)
ls "$PWD"/build-pkg/quadrabash_*.deb
