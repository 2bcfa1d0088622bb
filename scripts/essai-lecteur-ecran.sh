#!/usr/bin/env bash
# What a screen reader (Orca) is told of the editor: starts QCM under a
# virtual X server with its own session bus and the accessibility bus
# (at-spi2-core), dumps every object on screen through AT-SPI
# (python3-pyatspi) for the chooser, opens the first sample questionnaire
# with the keyboard only (xdotool key events), dumps the editor, then the
# message box asked on leaving. Fails
# when a visible control has no name. Not run by CI.
# Usage: scripts/essai-lecteur-ecran.sh [DOSSIER_DE_SORTIE]
#   AFFICHAGE=:NN chooses the X display (default :99); BUILD_DIR as for build.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
qcm=$build/src/app/qcm
[ -x "$qcm" ] || { echo "qcm introuvable : lancez d'abord scripts/build.sh" >&2; exit 1; }
for outil in Xvfb dbus-run-session xdotool /usr/libexec/at-spi-bus-launcher; do
  command -v "$outil" >/dev/null || {
    echo "Il manque $outil (paquets xvfb, dbus, xdotool, at-spi2-core, python3-pyatspi)" >&2
    exit 1
  }
done

sortie=${1:-$(mktemp -d /tmp/essai-lecteur-ecran.XXXXXX)}
mkdir -p "$sortie"
depart=$sortie/depart
rm -rf "$depart"
mkdir -p "$depart"
cp -r "$top/examples/." "$depart/"
affichage=${AFFICHAGE:-:99}

Xvfb "$affichage" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1

export DISPLAY=$affichage QCM_SORTIE=$sortie QCM_DEPART=$depart QCM=$qcm
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$sortie}
dbus-run-session -- bash -c '
  set -euo pipefail
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  bus=$!
  sleep 1
  cd "$QCM_DEPART"
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$QCM" >"$QCM_SORTIE/qcm.log" 2>&1 &
  editeur=$!
  sleep 3
  statut=0
  /usr/bin/python3 "'"$top"'/scripts/lecteur-ecran.py" qcm >"$QCM_SORTIE/atspi-choix.txt" || statut=$?
  # The chooser is open, its first questionnaire selected: Enter launches it.
  xdotool key Return
  sleep 2
  import -window root "$QCM_SORTIE/editeur.png" 2>/dev/null || true
  /usr/bin/python3 "'"$top"'/scripts/lecteur-ecran.py" qcm >"$QCM_SORTIE/atspi.txt" || statut=$?
  # A message box: the question asked on leaving, answered Escape (Annuler).
  xdotool key ctrl+q
  sleep 1
  /usr/bin/python3 "'"$top"'/scripts/lecteur-ecran.py" qcm >"$QCM_SORTIE/atspi-boite.txt" || statut=$?
  xdotool key Escape
  kill $editeur $bus 2>/dev/null || true
  exit $statut
' && statut=0 || statut=$?
cat "$sortie/atspi-choix.txt" "$sortie/atspi.txt" "$sortie/atspi-boite.txt"
echo "Dumps : $sortie/atspi-choix.txt (le choix), $sortie/atspi.txt (l'éditeur)," \
  "$sortie/atspi-boite.txt (une boîte de message) ;" \
  "capture : $sortie/editeur.png"
exit $statut
