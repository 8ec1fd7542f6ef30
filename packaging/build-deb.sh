#!/usr/bin/env bash
# Builds the Debian package from the release preset (warnings are errors) with
# Debian's hardening flags, and prints its path: build-release/tamrel_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh dpkg-dev file

# CMake reads these only on a fresh configure.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake --preset release --fresh >/dev/null
cmake --build build-release -j2
rm -f build-release/tamrel_*.deb
(cd build-release && cpack -G DEB >/dev/null)
ls build-release/tamrel_*.deb
