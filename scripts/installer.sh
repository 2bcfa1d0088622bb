#!/usr/bin/env bash
# Installs QCM for good: installs what building needs, builds the Debian
# package in its own folder (by default build-paquet/), and installs it with
# apt, which then upgrades and removes it like any other program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-paquet}
"$top/scripts/setup.sh"
# Debian's hardening, as its own packages get it: fortified functions, stack
# protector, relocations read-only and bound at start, position-independent.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
BUILD_DIR="$build" BUILD_TYPE=Release "$top/scripts/build.sh" -DQCM_TESTS=OFF -DQCM_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)"
# Only the package of this version is left to install.
rm -f "$build"/qcm_*.deb
cmake --build "$build" --target package >/dev/null
paquet=$(echo "$build"/qcm_*.deb)
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get install -y "$paquet"
echo "QCM est installé : il se lance depuis le menu (Éducation) ou avec la commande qcm."
