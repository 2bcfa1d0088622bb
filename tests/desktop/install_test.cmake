# Installs the build into a temporary DESTDIR and checks the desktop files
# with Debian's validators; skipped where they are missing.
find_program(DESKTOP_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_VALIDATE OR NOT APPSTREAMCLI)
  message("QCM-SKIP: desktop-file-validate or appstreamcli missing")
  return()
endif()

file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK}
  ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()

set(root ${WORK}/usr)
foreach(f bin/qcm bin/qcm-tool share/doc/qcm/README.md
    share/applications/fr.qcm.QCM.desktop share/metainfo/fr.qcm.QCM.metainfo.xml
    share/icons/hicolor/16x16/apps/fr.qcm.QCM.png share/icons/hicolor/48x48/apps/fr.qcm.QCM.png
    share/icons/hicolor/256x256/apps/fr.qcm.QCM.png
    share/doc/qcm/copyright share/doc/qcm/changelog.gz
    share/man/man1/qcm.1.gz share/man/man1/qcm-tool.1.gz
    share/bash-completion/completions/qcm-tool)
  if(NOT EXISTS ${root}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

execute_process(COMMAND ${DESKTOP_VALIDATE} ${root}/share/applications/fr.qcm.QCM.desktop
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
# The whole tree: the metainfo, its desktop entry and its icon together.
execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net ${WORK}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate-tree: ${out}")
endif()
execute_process(COMMAND ${APPSTREAMCLI} validate --no-net
  ${root}/share/metainfo/fr.qcm.QCM.metainfo.xml
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate: ${out}")
endif()
# AppStream 1.0's validator (Debian 13) also fails a metainfo without a
# homepage or with the deprecated <developer_name>; older ones let both pass.
file(READ ${root}/share/metainfo/fr.qcm.QCM.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<url type=\"homepage\">https?://" OR metainfo MATCHES "<developer_name>")
  message(FATAL_ERROR "metainfo: AppStream 1.0 wants a homepage <url> and <developer>, not <developer_name>")
endif()
