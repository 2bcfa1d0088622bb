#pragma once

#include "Export.h"

#include <QByteArrayView>

// Question banks brought into a new questionnaire: GIFT and Moodle XML.
namespace qcm::exchange {

// A question bank larger than this is refused before it is read; Moodle's
// files carry their pictures in base64, hence the room.
inline constexpr qint64 kTailleMaxImport = 64 * 1024 * 1024;

// What an import makes of a file.
struct ResultatImport {
    // Questions from 1, the others empty; Repertoire is left to the caller.
    model::TQuestionnaire Questionnaire;
    // The pictures to write in the questionnaire's folder, named
    // "image N.ext" as the editor names them.
    std::vector<FichierJoint> Images;
    // A French line for each thing that did not fit: never silently lost.
    QStringList Pertes;
    int NombreQuestions = 0;
};

// Reads GIFT or Moodle XML (XML when the bytes start with "<" after
// blanks); nomFichier gives the title when the file holds none. Raises
// EEchange, with a French message, for a file too large or not readable
// as its format at all.
ResultatImport Importer(QByteArrayView octets, const QString& nomFichier);

// Writes what an import made into a new folder "QCMn" of the start folder
// depart (ProchainDossierQCM) and returns that folder's name. Raises
// EEchange when depart is not a folder or no question came through; a
// failure on the way leaves no folder behind.
QString EcrireImport(ResultatImport resultat, const QString& depart);

} // namespace qcm::exchange
