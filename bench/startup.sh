#!/bin/sh
# Time from process start to the first dialog painted, and resident memory
# then, for the editor and for a bare Qt dialog, alternating runs, both on
# the same X display: the one given by DISPLAY, else a 1920 x 1080 Xvfb
# started here. The editor's full-screen display is part of what is timed.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
set -eu
build=${1:?usage: startup.sh BUILD_DIR [RUNS]}
runs=${2:-20}
build=$(cd "$build" && pwd)
start=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$start"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    if ! command -v Xvfb >/dev/null; then
        echo "startup.sh: no DISPLAY and no Xvfb (apt-get install xvfb)" >&2
        exit 1
    fi
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$start/display" 2>/dev/null &
    xvfb=$!
    i=0
    while [ ! -s "$start/display" ] && [ "$i" -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    DISPLAY=:$(cat "$start/display")
    export DISPLAY
fi
export QT_QPA_PLATFORM=xcb
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
               nom, t[int((NR + 1) / 2)] / 1000, t[1] / 1000, r / NR, NR
        print t[int((NR + 1) / 2)], r / NR > "/dev/stderr" }' 2>> "$start/medians"
}
resume editor "$start/editor.txt"
resume bare "$start/bare.txt"
awk 'NR == 1 { t = $1; r = $2 } NR == 2 {
    printf "editor / bare: time %.2fx  rss %.2fx\n", t / $1, r / $2 }' "$start/medians"
