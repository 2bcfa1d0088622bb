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
    # The work folder goes away: print the input so the fault can be replayed.
    for input in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -f "$input" ] || continue
      echo "-- $(basename "$input"), base64:"
      base64 -w 0 "$input" | head -c 65536
      echo
    done
    status=1
  else
    grep -E '^(#[0-9]+ *DONE|Done)' "$work/log" | tail -n 1 || true
  fi
  rm -rf "$work"
done
exit $status
