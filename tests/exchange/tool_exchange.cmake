# Runs qcm-tool export then import on a copy of a sample folder.
file(REMOVE_RECURSE ${WORK})
file(COPY ${DATA}/qcm/QCM1 DESTINATION ${WORK})
execute_process(COMMAND ${TOOL} export QCM1 --to gift -o banque.gift WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err MATCHES "Le fond d'écran n'est pas exporté")
  message(FATAL_ERROR "export: ${rc} ${err}")
endif()
execute_process(COMMAND ${TOOL} export QCM1 --to html -o page.html WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err MATCHES "image 1.jpg » est introuvable" OR err MATCHES "fond d'écran")
  message(FATAL_ERROR "export to html: ${rc} ${err}")
endif()
execute_process(COMMAND ${TOOL} import banque.gift --into . WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "1 question importée dans QCM2\n")
  message(FATAL_ERROR "import: ${rc} ${out} ${err}")
endif()
file(STRINGS ${WORK}/QCM2/QCM.txt lignes)
list(GET lignes 0 titre)
if(NOT titre MATCHES "^Capitales d'Europe" OR NOT lignes MATCHES "Rome")
  message(FATAL_ERROR "imported file: ${lignes}")
endif()
execute_process(COMMAND ${TOOL} import absent.gift --into . WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Fichier introuvable" OR EXISTS ${WORK}/QCM3)
  message(FATAL_ERROR "import of a missing file: ${rc} ${err}")
endif()
file(WRITE ${WORK}/vide.gift "// rien que des commentaires\n")
execute_process(COMMAND ${TOOL} import vide.gift --into . WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Aucune question à importer" OR EXISTS ${WORK}/QCM3)
  message(FATAL_ERROR "import of a file without questions: ${rc} ${err}")
endif()
