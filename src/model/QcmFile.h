#pragma once

#include "Questionnaire.h"

#include <QByteArray>

namespace qcm {

// Reads dossier/QCM.txt (dossier relative to the current folder) into q.
// The file is read into a fresh record that replaces q only once the whole
// file has been read; on failure q and the current folder are as they were.
// The view's background and music steps run at their points in the reading.
void LireQCM(TQuestionnaire& q, const QString& dossier, VueQuestionnaire& vue);

// Writes q to QCM.txt in the current folder. The new file replaces the old
// one only once it is wholly on disk; on failure the old one is untouched.
// Recomputes NbReponses of every question written.
void EcrireQCM(TQuestionnaire& q);

// The reading and writing of the file's bytes, apart from any folder.
// ParseQCM fills every field the file holds and the questions it does not
// reach; Repertoire is left to the caller.
void ParseQCM(QByteArrayView bytes, TQuestionnaire& q, VueQuestionnaire& vue);
// Raises EEcriture when a text cannot be held by the file (a carriage
// return, a Ctrl-Z, or a character without a byte in code page 1252).
QByteArray FormatQCM(TQuestionnaire& q);

} // namespace qcm
