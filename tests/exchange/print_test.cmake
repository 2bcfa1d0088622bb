# Runs qcm-tool print on a copy of a sample folder, with and without the key.
file(REMOVE_RECURSE ${WORK})
file(COPY ${DATA}/qcm/QCM1 DESTINATION ${WORK})
foreach(option "" "--corrige")
  file(REMOVE ${WORK}/sortie.pdf)
  execute_process(COMMAND ${TOOL} print QCM1 -o sortie.pdf ${option} WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "print ${option} failed: ${rc} ${err}")
  endif()
  file(READ ${WORK}/sortie.pdf debut LIMIT 5 HEX)
  if(NOT debut STREQUAL "255044462d")  # %PDF-
    message(FATAL_ERROR "print ${option} wrote no PDF")
  endif()
endforeach()
execute_process(COMMAND ${TOOL} print QCM1 WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc
  ERROR_QUIET)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "print without -o: ${rc}")
endif()
execute_process(COMMAND ${TOOL} print absent -o x.pdf WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Nom de fichier incorrect" OR EXISTS ${WORK}/x.pdf)
  message(FATAL_ERROR "print of a missing folder: ${rc} ${err}")
endif()
