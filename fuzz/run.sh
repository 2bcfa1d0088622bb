#!/usr/bin/env bash
# Runs every fuzz target over its seed corpus for SECONDS seconds each.
# usage: fuzz/run.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds="$here/corpus/$name"
  work=$(mktemp -d)
  echo "== $name (${seconds}s)"
  if ! QT_QPA_PLATFORM=offscreen "$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
      -artifact_prefix="$work/" "$work" "$seeds" 2>"$work/log"; then
    tail -n 40 "$work/log"
    status=1
  else
    grep -E '^(#[0-9]+ *DONE|Done)' "$work/log" | tail -n 1 || true
  fi
  rm -rf "$work"
done
exit $status
