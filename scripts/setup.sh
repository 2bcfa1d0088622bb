#!/usr/bin/env bash
# Installs, on Debian 12 or 13, every package that building and testing QCM needs
# and that is not there yet. Safe to run again: it installs only what lacks.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libjpeg62-turbo-dev libfluidsynth-dev timgm6mb-soundfont
  libgtest-dev libgif-dev fonts-dejavu-core
  desktop-file-utils appstream
  libxcb1-dev libx11-dev libxrandr-dev
  poppler-utils
  # The SCORM package: libzip writes it; the tests open it with unzip and
  # check its manifest with xmllint.
  libzip-dev unzip libxml2-utils
  # The Debian package: CPack runs dpkg-shlibdeps and file.
  dpkg-dev file
  # The full-screen backdrop is checked on a real X server.
  xvfb xauth
)
# CI checks formatting, then runs the fuzz targets and the sanitized tests:
# clang, its runtime and clang-format.
if [ "${QCM_SETUP_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev clang-format git)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installation des paquets manquants : ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
