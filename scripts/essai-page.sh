#!/usr/bin/env bash
# Tries the pupil's page in a real browser, as a pupil would: builds a
# five-question questionnaire, exports it with qcm-tool, answers it with the
# keyboard and the mouse in Debian's chromium (headless, driven by the npm
# package playwright-core, which downloads no browser), checks the score,
# takes screenshots at 1280x800 and 360x740, and times a 30-photograph page.
# Not run by CI. Usage: scripts/essai-page.sh   (BUILD_DIR as for build.sh)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
tool=$build/src/app/qcm-tool
[ -x "$tool" ] || { echo "qcm-tool introuvable : lancez d'abord scripts/build.sh" >&2; exit 1; }

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
command -v chromium >/dev/null || missing+=(chromium)
command -v convert >/dev/null || missing+=(imagemagick)
command -v node >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get install -y --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d /tmp/essai-page.XXXXXX)
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work}
shots=$work/captures
mkdir -p "$shots" "$work/node"
# The driver lives outside the repository, with no lock file.
(cd "$work/node" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --silent --no-save \
  --no-package-lock --no-audit --no-fund playwright-core >/dev/null)

# Writes QCM.txt as the editor does: code page 1252, CR LF. Lines on stdin.
qcm_txt() { sed 's/$/\r/' | iconv -f UTF-8 -t CP1252 > "$1/QCM.txt"; }

# Five questions: one answered right by keyboard, one wrong (its comment is
# shown), one with several answers, one with a picture, in shuffled order.
cinq=$work/QCM1
mkdir -p "$cinq"
convert -size 48x48 pattern:checkerboard -fill '#203080' -colorize 60% "BMP3:$cinq/fond écran.bmp"
convert -size 300x200 xc:'#c81e1e' -fill white -draw 'circle 150,100 150,40' "BMP3:$cinq/image 4.bmp"
qcm_txt "$cinq" <<'TXT'
Essai « élève » & <test>
Mme Dupré
fond écran.bmp
melange=OUI
musique=

Combien font 2 + 2 ?
3
unique=OUI
3
4
5
2
Comptez sur vos doigts.

Quelle est la capitale de l'Italie ?
3
unique=OUI
Rome
Milan
Turin
1
La capitale de l'Italie est Rome, pas Milan.

Quels nombres sont pairs ?
4
unique=non
2
3
4
7
13
Un nombre pair se divise par 2.
image 4.bmp
De quelle couleur est le fond de l'image ?
3
unique=OUI
Rouge
Vert
Bleu
1
Regardez bien l'image.

Le soleil est-il une planète ?
2
unique=OUI
Oui
Non
2
Le soleil est une étoile (coût : 0 €).
TXT
"$tool" export "$cinq" --to html -o "$work/cinq.html"

# Thirty questions, each with a photograph of its own.
trente=$work/QCM2
mkdir -p "$trente"
{
  printf 'Trente photos\nBanc\n\nmelange=NON\nmusique=\n'
  for i in $(seq 1 30); do
    convert -seed "$i" -size 1200x900 plasma:fractal -quality 88 "$trente/photo $i.jpg"
    printf 'photo %d.jpg\nQuestion %d : que montre la photo ?\n2\nunique=OUI\nUn nuage\nUne montagne\n1\n\n' "$i" "$i"
  done
} | qcm_txt "$trente"
"$tool" export "$trente" --to html -o "$work/trente.html"
photos=$(cat "$trente"/*.jpg | wc -c)

NODE_PATH=$work/node/node_modules node "$top/scripts/essai-page.cjs" \
  "$work/cinq.html" "$work/trente.html" "$photos" "$shots"
echo "Captures : $shots"
