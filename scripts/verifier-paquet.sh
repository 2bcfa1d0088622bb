#!/usr/bin/env bash
# Checks a built package: it holds the programs, the manual pages, the
# completion and the desktop files, and lintian (when installed) finds no error.
# Usage: scripts/verifier-paquet.sh build/qcm_*.deb
set -euo pipefail
paquet=$1
contenu=$(dpkg-deb -c "$paquet" | awk '{print $6}')
manque=0
for f in usr/bin/qcm usr/bin/qcm-tool \
  usr/share/man/man1/qcm.1.gz usr/share/man/man1/qcm-tool.1.gz \
  usr/share/bash-completion/completions/qcm-tool \
  usr/share/applications/fr.qcm.QCM.desktop usr/share/metainfo/fr.qcm.QCM.metainfo.xml \
  usr/share/icons/hicolor/48x48/apps/fr.qcm.QCM.png \
  usr/share/doc/qcm/copyright usr/share/doc/qcm/changelog.gz usr/share/doc/qcm/README.md; do
  if ! grep -qx "\./$f" <<<"$contenu"; then
    echo "absent du paquet : /$f" >&2
    manque=1
  fi
done
[ $manque -eq 0 ] || exit 1
if command -v lintian >/dev/null; then
  lintian --fail-on error "$paquet"
fi
echo "$paquet : complet"
