#!/bin/sh
# Time from process start to the chooser painted, and resident memory then,
# for the editor and for a bare Qt program that shows the same at the same
# scale (a black backdrop, a 640 x 480 window, a chooser-sized dialog),
# alternating runs on the same X display: the one given by DISPLAY, else a
# 1920 x 1080 Xvfb started here. Medians, with the spread of the runs.
# Usage: bench/startup.sh BUILD_DIR [RUNS]   (30 runs of each by default)
set -eu
build=${1:?usage: startup.sh BUILD_DIR [RUNS]}
runs=${2:-30}
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
# One run first, not counted: it warms the caches and tells the scale.
"$build/bench/bench_startup" > /dev/null 2> "$start/first"
scale=$(sed -n 's/^scale //p' "$start/first")
if [ -z "$scale" ] || [ "$scale" = 0 ]; then
    echo "startup.sh: the editor runs unscaled here (no full-screen display)" >&2
    scale=1
fi
mesurer() {
    t0=$(date +%s%N)
    set -- $("$@" 2>/dev/null)
    echo "$(( ($1 - t0) / 1000 )) $2"
}
: > "$start/editor.txt"
: > "$start/reference.txt"
i=0
while [ "$i" -lt "$runs" ]; do
    mesurer "$build/bench/bench_startup" >> "$start/editor.txt"
    mesurer env QT_ENABLE_HIGHDPI_SCALING=0 QT_SCALE_FACTOR="$scale" \
        "$build/bench/bench_reference" >> "$start/reference.txt"
    i=$((i + 1))
done
# Median, quartiles and extremes of one column.
colonne() {
    cut -d' ' -f"$1" "$2" | sort -n | awk '{ v[NR] = $1 } END {
        printf "%s %s %s %s %s", v[int((NR + 1) / 2)], v[int((NR + 3) / 4)],
               v[int((3 * NR + 3) / 4)], v[1], v[NR] }'
}
resume() {
    set -- "$1" $(colonne 1 "$2") $(colonne 2 "$2")
    awk -v nom="$1" -v t="$2" -v q1="$3" -v q3="$4" -v tmin="$5" -v tmax="$6" \
        -v r="$7" -v r1="$8" -v r3="$9" -v rmin="${10}" -v rmax="${11}" 'BEGIN {
        printf "%-9s time median %6.1f ms (quartiles %.1f-%.1f, range %.1f-%.1f)\n",
               nom, t / 1000, q1 / 1000, q3 / 1000, tmin / 1000, tmax / 1000
        printf "%-9s rss  median %6d KiB (quartiles %d-%d, range %d-%d)\n",
               "", r, r1, r3, rmin, rmax }'
    echo "$2 $7" >> "$start/medians"
}
echo "display $DISPLAY, scale $scale, $runs alternating runs of each"
resume editor "$start/editor.txt"
resume reference "$start/reference.txt"
awk 'NR == 1 { t = $1; r = $2 } NR == 2 {
    printf "editor / reference (medians): time %.2fx  rss %.2fx  (target 1.20x)\n", t / $1, r / $2 }' \
    "$start/medians"
