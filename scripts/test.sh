#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, headless.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$@"
build=${BUILD_DIR:-$top/build}
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
