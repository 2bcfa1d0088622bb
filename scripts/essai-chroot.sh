#!/usr/bin/env bash
# Tries the Debian package on a fresh Debian 12 (bookworm) or 13 (trixie):
# debootstraps a chroot, installs the package there with apt, runs qcm-tool
# and the editor (under Xvfb, until its chooser is painted), then removes and
# purges the package and checks that none of its files is left.
#
# Usage, as root: scripts/essai-chroot.sh bookworm|trixie [qcm_VERSION_amd64.deb]
# Without a package, the committed sources are copied into the chroot, the
# test command (scripts/test.sh) must pass there, and scripts/installer.sh
# builds and installs the package: a package is built on the Debian it is for.
#
# QCM_CHROOTS: the chroots' folder (default: qcm-chroots beside the
# repository); QCM_CCACHE: a folder kept between runs as the compiler's cache;
# QCM_ECRAN: the X display the chroot's Xvfb takes (default :76);
# QCM_MIROIR, QCM_MIROIR_SECURITE: the Debian mirrors.
# shellcheck disable=SC2016 # dpkg-query's formats are its own.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dist=${1:-}
paquet=${2:-}
case $dist in
  bookworm | trixie) ;;
  *)
    echo "usage : $0 bookworm|trixie [qcm_VERSION_amd64.deb]" >&2
    exit 2
    ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "debootstrap et chroot demandent d'être root" >&2
  exit 2
fi
for outil in debootstrap convert identify; do
  command -v $outil >/dev/null || {
    echo "il manque $outil (paquets debootstrap, imagemagick)" >&2
    exit 2
  }
done
[ -z "$paquet" ] || paquet=$(realpath "$paquet")
racines=${QCM_CHROOTS:-$(dirname "$top")/qcm-chroots}
racine=$racines/$dist
journal=$racines/$dist.log
miroir=${QCM_MIROIR:-http://deb.debian.org/debian}
securite=${QCM_MIROIR_SECURITE:-http://deb.debian.org/debian-security}
ecran=${QCM_ECRAN:-:76}
mkdir -p "$racines"
: >"$journal"

etape() { printf '== %s\n' "$*"; }
echec() {
  echo "ÉCHEC : $*" >&2
  exit 1
}
# Runs a command in the chroot with a clean environment (a fresh Debian has
# a UTF-8 locale, a minimal chroot C.UTF-8); chroot and env exec it, so a
# command started in the background keeps its process id.
dans=(chroot "$racine" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin
  LANG=C.UTF-8 XDG_RUNTIME_DIR=/run/user/0 DEBIAN_FRONTEND=noninteractive)
dedans() { "${dans[@]}" "$@"; }
# Long steps write to the log; on failure its end is shown.
journalise() {
  if ! "$@" >>"$journal" 2>&1; then
    tail -n 40 "$journal" >&2
    echec "$* (journal complet : $journal)"
  fi
}

# Whatever is mounted below the chroot, deepest first.
montages() { awk -v r="$racine/" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r; }
demonter() {
  local m
  for m in $(montages); do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
}
xvfb=""
editeur=""
arreter() {
  local p
  for p in $editeur $xvfb; do
    if kill "$p" 2>/dev/null; then
      wait "$p" 2>/dev/null || true
    fi
  done
  editeur=""
  xvfb=""
}
finir() {
  arreter
  demonter
}
trap finir EXIT

etape "debootstrap $dist dans $racine"
demonter
# Never remove through a mount: it would reach the host's files.
[ -z "$(montages)" ] || echec "des dossiers restent montés sous $racine"
rm -rf --one-file-system "$racine"
journalise debootstrap --variant=minbase "$dist" "$racine" "$miroir"
cat >"$racine/etc/apt/sources.list" <<EOF
deb $miroir $dist main
deb $miroir $dist-updates main
deb $securite $dist-security main
EOF
# No service starts inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$racine/usr/sbin/policy-rc.d"
chmod 755 "$racine/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$racine/etc/resolv.conf"
install -d -m 700 "$racine/run/user/0"
mount -t proc proc "$racine/proc"
mount -t sysfs sys "$racine/sys"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$racine/dev/pts"
mount -t tmpfs shm "$racine/dev/shm"

etape "outils de l'essai (Xvfb, xdotool, man, validateurs)"
journalise dedans apt-get update
journalise dedans apt-get install -y --no-install-recommends \
  xvfb xauth xdotool x11-apps man-db desktop-file-utils appstream
dedans sh -c '. /etc/os-release; echo "$PRETTY_NAME"'

if [ -z "$paquet" ]; then
  etape "sources (git HEAD) copiées dans /root/qcm"
  mkdir -p "$racine/root/qcm"
  git -C "$top" archive HEAD | tar -x -C "$racine/root/qcm"
  cache=""
  if [ -n "${QCM_CCACHE:-}" ]; then
    journalise dedans apt-get install -y --no-install-recommends ccache
    mkdir -p "$QCM_CCACHE" "$racine/root/.ccache"
    mount --bind "$QCM_CCACHE" "$racine/root/.ccache"
    # CMake takes these as the compilers' launcher.
    cache="export CCACHE_DIR=/root/.ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache;"
  fi
  etape "commande de test : scripts/test.sh"
  debut=$SECONDS
  journalise dedans sh -c "$cache cd /root/qcm && scripts/test.sh"
  grep -E 'tests passed|tests failed' "$journal" | tail -n 1
  echo "($((SECONDS - debut)) s)"
  etape "commande d'installation : scripts/installer.sh"
  journalise dedans sh -c "$cache cd /root/qcm && scripts/installer.sh"
  tail -n 1 "$journal"
else
  # Without the recommended packages: what the package depends on must be
  # enough for it to run.
  etape "apt install --no-install-recommends ./$(basename "$paquet")"
  cp "$paquet" "$racine/root/"
  journalise dedans sh -c "cd /root && apt install -y --no-install-recommends ./$(basename "$paquet")"
fi
dedans dpkg-query -W -f='${Package} ${Version} ${Status}\n' qcm
dedans dpkg-query -W -f='${Depends}\n' qcm

etape "qcm-tool --version"
dedans qcm-tool --version

etape "qcm-tool export QCM1 vers chaque format, et print"
rm -rf "$racine/root/essai"
mkdir -p "$racine/root/essai/sorties"
cp -r "$top/examples/." "$racine/root/essai/"
for f in gift:qcm1.gift moodle:qcm1.xml amc:qcm1.txt html:qcm1.html scorm12:qcm1-scorm12.zip \
  scorm2004:qcm1-scorm2004.zip; do
  dedans qcm-tool export /root/essai/QCM1 --to "${f%%:*}" -o "/root/essai/sorties/${f#*:}"
done
dedans qcm-tool print /root/essai/QCM1 -o /root/essai/sorties/qcm1.pdf
dedans qcm-tool print /root/essai/QCM1 -o /root/essai/sorties/corrige.pdf --corrige
(cd "$racine/root/essai/sorties" && for f in *; do
  [ -s "$f" ] || echec "sortie vide : $f"
  printf '%s %s octets\n' "$f" "$(stat -c %s "$f")"
done)

etape "pages de manuel et fichiers du bureau installés"
dedans sh -c 'MANWIDTH=80 man -P cat qcm-tool 2>&1 | head -n 4'
dedans desktop-file-validate /usr/share/applications/fr.qcm.QCM.desktop
dedans appstreamcli validate --no-net /usr/share/metainfo/fr.qcm.QCM.metainfo.xml

etape "éditeur sous Xvfb ($ecran)"
"${dans[@]}" Xvfb "$ecran" -screen 0 1024x768x24 -nolisten tcp >>"$journal" 2>&1 &
xvfb=$!
sleep 2
# The editor starts in its starting folder, the examples' copy.
"${dans[@]}" sh -c "cd /root/essai && DISPLAY=$ecran exec qcm" >>"$journal" 2>&1 &
editeur=$!
fenetre=""
for _ in $(seq 60); do
  fenetre=$(dedans env DISPLAY="$ecran" xdotool search --onlyvisible --class qcm 2>/dev/null | head -n 1 || true)
  [ -n "$fenetre" ] && break
  kill -0 "$editeur" 2>/dev/null || echec "l'éditeur s'est arrêté (journal : $journal)"
  sleep 1
done
[ -n "$fenetre" ] || echec "aucune fenêtre de l'éditeur en 60 s"
echo "fenêtre : $(dedans env DISPLAY="$ecran" xdotool getwindowname "$fenetre")"
# The chooser is painted when its green panel is on the screen: a message
# box in its place would not do.
image=$racines/$dist-editeur.png
vert=0
for _ in $(seq 20); do
  dedans xwd -root -silent -display "$ecran" >"$racines/$dist-editeur.xwd"
  convert "xwd:$racines/$dist-editeur.xwd" "$image"
  vert=$(convert "$image" -format %c histogram:info:- | awk '/#008000/ { n += $1 } END { print n + 0 }')
  [ "$vert" -gt 10000 ] && break
  sleep 1
done
[ "$vert" -gt 10000 ] || echec "le sélecteur n'a pas été dessiné (écran : $image)"
echo "sélecteur dessiné : $vert pixels de son panneau vert ($image)"
arreter

# Lists what is left of the package's files: a folder may stay only if
# another package owns it too.
restes() {
  local f
  while IFS= read -r f; do
    [ -e "$racine$f" ] || [ -L "$racine$f" ] || continue
    if [ -d "$racine$f" ] && [ ! -L "$racine$f" ] && dedans dpkg-query -S "$f" >/dev/null 2>&1; then
      continue
    fi
    echo "$f"
  done <"$racines/$dist-fichiers"
}
dedans dpkg-query -L qcm >"$racines/$dist-fichiers"
etape "apt remove qcm ($(wc -l <"$racines/$dist-fichiers") chemins dans le paquet)"
journalise dedans apt remove -y qcm
reste=$(restes)
[ -z "$reste" ] || echec "après apt remove, restent : $reste"
echo "aucun fichier du paquet ne reste"
etape "apt purge qcm"
# Without configuration files, apt remove leaves dpkg nothing to purge.
if dedans dpkg-query -W -f='${Status}' qcm 2>/dev/null | grep -q config-files; then
  journalise dedans apt purge -y qcm
  reste=$(restes)
  [ -z "$reste" ] || echec "après apt purge, restent : $reste"
fi
if dedans dpkg-query -W -f='${Status}' qcm 2>/dev/null | grep -qv not-installed; then
  echec "dpkg connaît encore qcm"
fi
if compgen -G "$racine/var/lib/dpkg/info/qcm.*" >/dev/null; then
  echec "dpkg garde des fichiers de qcm"
fi
echo "qcm purgé : ni fichier, ni trace dans dpkg"
etape "essai $dist réussi"
