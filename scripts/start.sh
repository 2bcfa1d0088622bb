#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor in a start folder
# outside the repository (by default ~/QCM), filled on first run with the
# sample questionnaires. The repository's own files are never edited.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
start=${1:-$HOME/QCM}
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
if [ ! -d "$start" ]; then
  mkdir -p "$start"
  cp -r "$top/examples/." "$start/"
  echo "Dossier de départ créé avec les exemples : $start"
fi
cd "$start"
exec "${BUILD_DIR:-$top/build}/src/app/qcm"
