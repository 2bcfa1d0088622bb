#!/usr/bin/env bash
# Checks the GIFT export against a parser nobody on this project wrote: the
# npm package gift-pegjs, installed into a temporary folder (not into the
# repository). Exports a generated questionnaire that holds every special
# character, accents, the euro sign, one and several right answers, a
# question without a right answer and one without propositions, and parses
# the result. Not part of CI: it needs the npm registry.
# usage: scripts/verifier-gift.sh [QCM_TOOL]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-$top/build/src/app/qcm-tool}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/QCM1"
# QCM.txt is Windows-1252 with CR LF line ends.
iconv -f UTF-8 -t CP1252 <<'QCM' | sed 's/$/\r/' > "$work/QCM1/QCM.txt"
Géographie / Europe : « capitales » {test}
Mme Dupré

melange=OUI
musique=
image 1.bmp
Quelle est la capitale de l'Italie ? (1 € = 1,08 $)
3
unique=OUI
Rome
Milan ~ Turin
=Florence=
1
Rome, évidemment : relis ta leçon #3 !
image absente.gif
Lesquels sont des pays {membres} de l'UE ?
4
unique=non
France
Suisse
Allemagne
a\b:c#d
13
Deux réponses justes.

Question sans réponse juste ?
2
unique=OUI
%50% des cas
l'autre moitié

Commentaire seul

Question sans proposition
0
unique=non


QCM
printf 'BM' > "$work/QCM1/image 1.bmp"

QT_QPA_PLATFORM=offscreen "$tool" export "$work/QCM1" --to gift -o "$work/export.gift"
echo "== GIFT exporté"
cat "$work/export.gift"

echo "== gift-pegjs"
npm install --silent --no-save --no-package-lock --prefix "$work/npm" gift-pegjs >/dev/null
NODE_PATH="$work/npm/node_modules" node - "$work/export.gift" <<'JS'
const fs = require('fs');
const gift = require('gift-pegjs');
const parse = gift.parse || (gift.default && gift.default.parse);
const text = fs.readFileSync(process.argv[2], 'utf8');
const questions = parse(text);
const version = require('gift-pegjs/package.json').version;
console.log(`gift-pegjs ${version}: ${questions.length} éléments lus sans erreur`);
// The special characters come back as text.
const expected = ["Quelle est la capitale de l'Italie ? (1 € = 1,08 $)",
                  "Lesquels sont des pays {membres} de l'UE ?"];
for (const [i, stem] of expected.entries()) {
  if (questions[i + 1].stem.text !== stem) {
    console.error(`énoncé ${i + 1} relu autrement : ${questions[i + 1].stem.text}`);
    process.exit(1);
  }
}
if (questions[2].choices[3].text.text !== 'a\\b:c#d') {
  console.error('proposition relue autrement');
  process.exit(1);
}
for (const q of questions) {
  const stem = q.stem ? q.stem.text : (q.title || '');
  const choices = (q.choices || []).map(c => `${c.isCorrect ? '+' : '-'}${c.weight ?? ''} ${c.text.text}`);
  console.log(`- ${q.type}: ${JSON.stringify(stem)} ${choices.length ? JSON.stringify(choices) : ''}`);
}
JS
