# `cmake --build build --target package` makes qcm_<version>_amd64.deb from
# what `cmake --install` puts under /usr.

# The version is written once, in project(); the changelog's and the
# AppStream metadata's latest entries must name it.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog qcm_changelog_top LIMIT_COUNT 1)
if(NOT qcm_changelog_top MATCHES "^qcm \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "desktop/debian/changelog does not start with version ${PROJECT_VERSION}")
endif()
file(READ ${CMAKE_CURRENT_LIST_DIR}/fr.qcm.QCM.metainfo.xml qcm_metainfo)
if(NOT qcm_metainfo MATCHES "<releases>[ \n]*<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "fr.qcm.QCM.metainfo.xml's latest release is not ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qcm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Les auteurs de QCM <qcm@qcm.invalid>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The background music: FluidSynth is loaded only when a sound is first
# needed, so dpkg-shlibdeps cannot see it; it plays with a General MIDI
# sound font at the desktop's usual place.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfluidsynth3, timgm6mb-soundfont | fluid-soundfont-gm")
# Qt's own French texts for the dialogs' buttons (« Oui », « Annuler »).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "éditeur de questionnaires à choix multiples
QCM prépare les questionnaires d'un quiz : jusqu'à 30 questions, chacune
avec son énoncé, jusqu'à 5 propositions, les bonnes réponses, un commentaire
et une image ; pour le questionnaire, un fond d'écran et une musique.
.
L'outil qcm-tool exporte un questionnaire vers Moodle (GIFT, Moodle XML),
AMC ou une page HTML qui se joue hors ligne, importe les fichiers GIFT et
Moodle XML et imprime questionnaire et corrigé en PDF.")
include(CPack)
