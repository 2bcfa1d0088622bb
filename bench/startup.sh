#!/bin/sh
# Time from process start to the first dialog painted, and resident memory
# then, for the editor and for a bare Qt dialog, alternating runs.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
set -eu
build=${1:?usage: startup.sh BUILD_DIR [RUNS]}
runs=${2:-20}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
start=$(mktemp -d)
trap 'rm -rf "$start"' EXIT
# A start folder with a dozen questionnaires for the chooser to list.
for n in 1 2 3 4 5 6 7 8 9 10 11 12; do
    mkdir "$start/QCM$n"
    printf 'Questionnaire %s\r\nAuteur\r\n\r\nmelange=NON\r\nmusique=\r\n' "$n" > "$start/QCM$n/QCM.txt"
done
cd "$start"
mesurer() {
    t0=$(date +%s%N)
    set -- $("$1")
    echo "$(( ($1 - t0) / 1000 )) $2"
}
: > "$start/editor.txt"
: > "$start/bare.txt"
i=0
while [ "$i" -lt "$runs" ]; do
    mesurer "$build/bench/bench_startup" >> "$start/editor.txt"
    mesurer "$build/bench/bench_bare_dialog" >> "$start/bare.txt"
    i=$((i + 1))
done
resume() {
    sort -n "$2" | awk -v nom="$1" '{ t[NR] = $1; r += $2 } END {
        printf "%-8s median %6.1f ms  min %6.1f ms  rss %6.0f KiB  (%d runs)\n",
               nom, t[int((NR + 1) / 2)] / 1000, t[1] / 1000, r / NR, NR }'
}
resume editor "$start/editor.txt"
resume bare "$start/bare.txt"
