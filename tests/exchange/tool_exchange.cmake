# Runs qcm-tool export then import on a copy of a sample folder.
file(REMOVE_RECURSE ${WORK})
file(COPY ${DATA}/qcm/QCM1 DESTINATION ${WORK})
execute_process(COMMAND ${TOOL} export QCM1 --to gift -o banque.gift WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err MATCHES "Le fond d'écran n'est pas exporté")
  message(FATAL_ERROR "export: ${rc} ${err}")
endif()
# No output lands on a questionnaire's file, whatever the case of its name.
function(empreintes resultat)
  file(GLOB_RECURSE fichiers LIST_DIRECTORIES false ${WORK}/QCM1/*)
  set(liste "")
  foreach(f IN LISTS fichiers)
    file(SHA256 ${f} h)
    list(APPEND liste "${f}:${h}")
  endforeach()
  set(${resultat} "${liste}" PARENT_SCOPE)
endfunction()
empreintes(avant)
foreach(commande "export;QCM1;--to;amc;-o;QCM1/QCM.txt" "export;QCM1;--to;gift;-o;QCM1/qcm.TXT"
                 "print;QCM1;-o;QCM1/Qcm.txt")
  execute_process(COMMAND ${TOOL} ${commande} WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  empreintes(apres)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "ne le remplace jamais" OR NOT apres STREQUAL avant)
    message(FATAL_ERROR "${commande}: ${rc} ${err} ${apres}")
  endif()
endforeach()
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
# A plain text is no question bank: refused, nothing created.
file(WRITE ${WORK}/lettre.txt "Bonjour à tous,\nla réunion est jeudi.\n")
execute_process(COMMAND ${TOOL} import lettre.txt --into . WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "texte sans question" OR NOT err MATCHES "Aucune question à importer"
   OR EXISTS ${WORK}/QCM3)
  message(FATAL_ERROR "import of a plain text: ${rc} ${err}")
endif()
