#!/usr/bin/python3
"""What a screen reader sees of a running QCM, through the desktop's
accessibility bus (AT-SPI): every object shown on screen, one line each
(role, name, states), then the count of shown controls without a name.
Exits 1 when some are unnamed. Used by scripts/essai-lecteur-ecran.sh."""
import sys
import time

import pyatspi

ETATS = [
    (pyatspi.STATE_FOCUSED, "focus"),
    (pyatspi.STATE_CHECKABLE, "cochable"),
    (pyatspi.STATE_CHECKED, "coché"),
    (pyatspi.STATE_SELECTED, "sélectionné"),
    (pyatspi.STATE_SENSITIVE, None),
]


def trouver(nom, essais=40):
    for _ in range(essais):
        bureau = pyatspi.Registry.getDesktop(0)
        for i in range(bureau.childCount):
            appli = bureau.getChildAtIndex(i)
            if appli is not None and appli.name.lower() == nom:
                return appli
        time.sleep(0.5)
    return None


def parcourir(objet, profondeur, anonymes, lignes):
    try:
        etats = objet.getState()
    except Exception:
        return
    if not etats.contains(pyatspi.STATE_SHOWING):
        return
    role = objet.getRoleName()
    nom = objet.name or ""
    mots = [m for e, m in ETATS if m and etats.contains(e)]
    if not etats.contains(pyatspi.STATE_SENSITIVE):
        mots.append("grisé")
    description = objet.description or ""
    lignes.append("%s%s « %s »%s%s" % (
        "  " * profondeur, role, nom,
        " [" + ", ".join(mots) + "]" if mots else "",
        " — " + description if description else ""))
    if role != "application" and not nom.strip():
        anonymes.append("%s (%s)" % (role, description))
    for i in range(objet.childCount):
        enfant = objet.getChildAtIndex(i)
        if enfant is not None:
            parcourir(enfant, profondeur + 1, anonymes, lignes)


def main():
    appli = trouver(sys.argv[1] if len(sys.argv) > 1 else "qcm")
    if appli is None:
        print("QCM n'apparaît pas sur le bus d'accessibilité.")
        return 2
    anonymes, lignes = [], []
    parcourir(appli, 0, anonymes, lignes)
    print("\n".join(lignes))
    print()
    print("Contrôles visibles : %d ; sans nom : %d" % (len(lignes), len(anonymes)))
    for a in anonymes:
        print("  sans nom : " + a)
    return 1 if anonymes else 0


if __name__ == "__main__":
    sys.exit(main())
