# The SCORM packages that qcm-tool writes, read by tools that are not ours:
# unzip and Python's zipfile open them, no entry leaves the folder it is
# unpacked into, and xmllint finds each manifest valid against the published
# schemas (tests/data/scorm). A full disk leaves nothing behind.
file(REMOVE_RECURSE ${WORK})
file(COPY ${DATA}/qcm/QCM1 DESTINATION ${WORK})
set(schemas ${DATA}/scorm)
find_program(UNZIP unzip)
find_program(PYTHON python3)
find_program(XMLLINT xmllint)
if(NOT UNZIP)
  message(FATAL_ERROR "unzip is missing: scripts/setup.sh installs it")
endif()
set(manques "")

foreach(version 12 2004)
  set(zip ${WORK}/paquet${version}.zip)
  foreach(fois 1 2)
    file(REMOVE ${zip})
    execute_process(COMMAND ${TOOL} export QCM1 --to scorm${version} -o paquet${version}.zip
      WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "export scorm${version}: ${rc} ${err}")
    endif()
    file(SHA256 ${zip} empreinte${fois})
  endforeach()
  if(NOT empreinte1 STREQUAL empreinte2)
    message(FATAL_ERROR "scorm${version}: two exports differ")
  endif()

  execute_process(COMMAND ${UNZIP} -t ${zip} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "unzip -t scorm${version}: ${out}")
  endif()
  execute_process(COMMAND ${UNZIP} -Z1 ${zip} RESULT_VARIABLE rc OUTPUT_VARIABLE noms)
  string(REPLACE "\n" ";" noms "${noms}")
  list(REMOVE_ITEM noms "")
  if(NOT rc EQUAL 0 OR NOT noms STREQUAL "imsmanifest.xml;index.html")
    message(FATAL_ERROR "scorm${version} holds: ${noms}")
  endif()

  if(PYTHON)
    execute_process(COMMAND ${PYTHON} -c [=[
import posixpath, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None, z.testzip()
    for nom in z.namelist():
        propre = posixpath.normpath(nom)
        assert not nom.startswith("/") and "\\" not in nom and propre == nom \
            and not propre.startswith(".."), nom
]=] ${zip} RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "zipfile scorm${version}: ${err}")
    endif()
  elseif(version EQUAL 12)
    # unzip has checked the names already.
    message("python3 missing: the zipfile check is not run")
  endif()

  if(XMLLINT)
    execute_process(COMMAND ${UNZIP} -o -q ${zip} imsmanifest.xml -d ${WORK}/manifeste${version})
    execute_process(COMMAND ${XMLLINT} --nonet --noout --schema ${schemas}/scorm${version}.xsd
                            ${WORK}/manifeste${version}/imsmanifest.xml
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "xmllint scorm${version}: ${err}")
    endif()
  else()
    list(APPEND manques xmllint)
  endif()
endforeach()

# A pass mark is a percentage, and only a SCORM package has one.
foreach(arguments "--to;scorm12;--seuil;101" "--to;scorm2004;--seuil;-5" "--to;scorm12;--seuil;moitié"
                  "--to;html;--seuil;60")
  execute_process(COMMAND ${TOOL} export QCM1 ${arguments} -o refus.zip WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 2 OR NOT err MATCHES "--seuil N" OR EXISTS ${WORK}/refus.zip)
    message(FATAL_ERROR "${arguments}: ${rc} ${err}")
  endif()
endforeach()

# A disk that fills up half way: the error is told and no file is left,
# neither the package nor a temporary one.
file(MAKE_DIRECTORY ${WORK}/plein)
execute_process(COMMAND sh -c "trap '' XFSZ; ulimit -f 4; exec \"$0\" export QCM1 --to scorm12 -o plein/paquet.zip" ${TOOL}
  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
file(GLOB restes ${WORK}/plein/* ${WORK}/plein/.*)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Disque plein" OR restes)
  message(FATAL_ERROR "full disk: ${rc} ${err} ${restes}")
endif()

if(manques)
  message("QCM-SKIP: xmllint missing, the manifests are not checked against the schemas")
endif()
