#!/bin/bash
# The editor on a real sound output, as a user hears it: a private PulseAudio
# server with a null sink, the editor (bench/son_reel) opening a
# questionnaire whose piece loops (one note a second), switching the music
# off, then leaving; the sink's monitor is recorded with parec and measured
# with sox. Not run by CI. Stops by itself (2 minutes at most) and removes
# its server and files.
# Needs the Debian packages pulseaudio, pulseaudio-utils (parec, pactl) and
# sox, and a General MIDI sound font (timgm6mb-soundfont).
# Usage: bench/son_reel.sh BUILD_DIR [SECONDS_OF_MUSIC]
set -euo pipefail
build=${1:?usage: son_reel.sh BUILD_DIR [SECONDS_OF_MUSIC]}
musique=${2:-6}
driver=$(cd "$build" && pwd)/bench/son_reel
for c in pulseaudio parec pactl sox; do
    if ! command -v "$c" >/dev/null; then
        echo "son_reel.sh: $c missing (apt-get install pulseaudio pulseaudio-utils sox)" >&2
        exit 1
    fi
done
[ -x "$driver" ] || { echo "son_reel.sh: build the target son_reel first" >&2; exit 1; }

tmp=$(mktemp -d)
serveur=
enregistreur=
cleanup() {
    [ -n "$enregistreur" ] && kill -INT "$enregistreur" 2>/dev/null && wait "$enregistreur" || true
    [ -n "$serveur" ] && kill "$serveur" 2>/dev/null && wait "$serveur" || true
    rm -rf "$tmp"
}
trap cleanup EXIT

# A server of our own: its files in tmp, no autospawn, nothing of the user's.
export HOME=$tmp XDG_RUNTIME_DIR=$tmp PULSE_RUNTIME_PATH=$tmp/run PULSE_STATE_PATH=$tmp/state
export PULSE_SERVER=unix:$tmp/native
printf 'autospawn = no\n' >"$tmp/client.conf"
export PULSE_CLIENTCONFIG=$tmp/client.conf
timeout 120 pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --log-target=file:"$tmp/pulse.log" \
    -L "module-null-sink sink_name=qcm rate=44100" \
    -L "module-native-protocol-unix socket=$tmp/native auth-anonymous=1" >/dev/null 2>&1 &
serveur=$!
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null 2>&1 || { echo "son_reel.sh: the PulseAudio server did not start" >&2; exit 1; }

# The recording's time 0 is when its first bytes arrive.
timeout 100 parec -d qcm.monitor --raw --format=s16le --rate=44100 --channels=2 \
    --latency-msec=20 >"$tmp/rec.raw" &
enregistreur=$!
for _ in $(seq 100); do
    [ -s "$tmp/rec.raw" ] && break
    sleep 0.05
done
t0=$(date +%s%3N)
mkdir "$tmp/qcm"
if ! QT_QPA_PLATFORM=offscreen timeout 60 "$driver" "$tmp/qcm" "$musique" >"$tmp/marks"; then
    echo "son_reel.sh: the editor failed" >&2
    cat "$tmp/marks" >&2
    exit 1
fi
sleep 0.5
kill -INT "$enregistreur"
wait "$enregistreur" || true
enregistreur=
grep '^box' "$tmp/marks" || true

# 10 ms windows of the left channel: time and level in dBFS.
sox -t raw -r 44100 -e signed -b 16 -c 2 "$tmp/rec.raw" -t dat -c 1 - remix 1 2>/dev/null |
    awk '!/^;/ { s += $2 * $2; n++; if (n == 441) { t += 0.01; r = sqrt(s / n);
         printf "%.2f %.1f\n", t, (r > 0 ? 20 * log(r) / log(10) : -200); s = 0; n = 0 } }' \
        >"$tmp/env"

# SON_REEL_ENVELOPPE=file keeps the levels.
[ -n "${SON_REEL_ENVELOPPE:-}" ] && cp "$tmp/env" "$SON_REEL_ENVELOPPE"
awk -v t0="$t0" -v seuil=-50 '
    BEGIN { crete = -200 }
    # The steps of the driver, in seconds of the recording.
    FNR == NR { if ($1 != "box:") m[$1] = ($2 - t0) / 1000; next }
    FNR == 1 { o = m["ouvert"]; c = m["coupe"]; f = m["fin"]; fe = m["ferme"]; so = m["sorti"]; fort = c; bruit = c }
    { t = $1; db = $2; son = db > seuil }
    # Music: onsets (after 100 ms of quiet), their spacing, the level.
    t > o && t <= c + 0.1 {
        if (son && calme >= 10) { n++; if (n > 1) { ecart += t - prec; emin = n == 2 || t - prec < emin ? t - prec : emin;
              emax = t - prec > emax ? t - prec : emax } prec = t; if (n == 1) premier = t }
        calme = son ? 0 : calme + 1
        if (db > crete) crete = db
    }
    t <= o { calme = son ? 0 : calme + 1 }
    # Off: the last window above -60 dBFS, and the last that is not zero
    # (the reverberation fades out), before the leaving.
    t > c && t <= f { if (db > -60) fort = t; if (db > -200) bruit = t }
    # Leaving: from the first sound after the click to the last.
    t > f && son { if (!debut) debut = t; dernier = t }
    END {
        printf "music on  %.1f s: %d onsets, first %.0f ms after opening, spacing %.2f s (%.2f-%.2f), loudest %.1f dBFS\n",
            c - o, n, (premier - o) * 1000, (n > 1 ? ecart / (n - 1) : 0), emin, emax, crete
        printf "music off %.1f s: below -60 dBFS %.0f ms after the click, digital silence after %.0f ms\n",
            f - c, (fort - c) * 1000, (bruit - c) * 1000
        if (debut)
            printf "leaving   sound %.0f ms after the click, heard for %.0f ms (the wave lasts 987); ",
                (debut - f) * 1000, (dernier - debut + 0.01) * 1000
        else
            printf "leaving   sound not heard; "
        printf "windows closed %.0f ms after the click, process ended %.0f ms after they closed\n",
            (fe - f) * 1000, (so - fe) * 1000
        ok = n >= c - o - 1 && emax - emin < 0.1 && fort - c < 0.4 && bruit - c < 1.5 &&
            dernier - debut > 0.9
        print ok ? "PASS" : "FAIL"
        exit !ok
    }' "$tmp/marks" "$tmp/env"
