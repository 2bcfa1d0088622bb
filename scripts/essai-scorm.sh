#!/usr/bin/env bash
# Plays the SCORM packages of qcm-tool inside a stand-in for a learning
# platform: a parent page whose SCORM 1.2 and 2004 runtime is the npm
# package scorm-again, in Debian's chromium (headless, driven by
# playwright-core). Answers two questions by keyboard and mouse, leaves,
# comes back to the third with the saved data, finishes, and checks what the
# runtime recorded: score, status, interactions, session time, exit. Not run
# by CI. Usage: scripts/essai-scorm.sh   (BUILD_DIR as for build.sh)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
tool=$build/src/app/qcm-tool
[ -x "$tool" ] || { echo "qcm-tool introuvable : lancez d'abord scripts/build.sh" >&2; exit 1; }

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
command -v chromium >/dev/null || missing+=(chromium)
command -v unzip >/dev/null || missing+=(unzip)
command -v node >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get install -y --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d /tmp/essai-scorm.XXXXXX)
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work}
mkdir -p "$work/node"
# The runtime and the driver live outside the repository, with no lock file.
(cd "$work/node" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --silent --no-save \
  --no-package-lock --no-audit --no-fund scorm-again playwright-core >/dev/null)

# Five questions in shuffled order, one with two right answers.
dossier=$work/QCM1
mkdir -p "$dossier"
sed 's/$/\r/' <<'TXT' | iconv -f UTF-8 -t CP1252 > "$dossier/QCM.txt"
Essai SCORM « élève »
Mme Dupré

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
La capitale de l'Italie est Rome.

Quels nombres sont pairs ?
4
unique=non
2
3
4
7
13
Un nombre pair se divise par 2.

De quelle couleur est le ciel ?
3
unique=OUI
Bleu
Vert
Rouge
1
Levez les yeux.

Le soleil est-il une planète ?
2
unique=OUI
Oui
Non
2
Le soleil est une étoile.
TXT
for version in 12 2004; do
  "$tool" export "$dossier" --to "scorm$version" --seuil 60 -o "$work/paquet$version.zip" 2>/dev/null
  unzip -q "$work/paquet$version.zip" -d "$work/paquet$version"
done

NODE_PATH=$work/node/node_modules node "$top/scripts/essai-scorm.cjs" "$work" \
  "$work/node/node_modules/scorm-again/dist"
[ -n "${QCM_GARDER:-}" ] || rm -rf "$work"
