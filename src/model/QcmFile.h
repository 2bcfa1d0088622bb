#pragma once

#include "Questionnaire.h"
#include "core/Errors.h"

#include <QByteArray>
#include <QStringList>

namespace qcm::model {

using namespace qcm::core;

// A record that cannot be written to the questionnaire file as it stands.
class EEcriture : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EEcriture"; }
};

// The questionnaire file of every questionnaire folder; its name is matched
// without regard to case.
inline constexpr QLatin1StringView kNomFichierQCM("QCM.txt");

// A full questionnaire takes a few kilobytes: a larger file is not one, and
// is refused before it is read whole.
inline constexpr qint64 kTailleMaxQCM = 4 * 1024 * 1024;

// Reads the QCM.txt of dossier (an absolute folder) and returns the record
// it holds, Repertoire being the folder's name. Raises EInOutError (and the
// reader's other errors); nothing is changed then.
TQuestionnaire LireQCM(const QString& dossier);

// Writes q to QCM.txt in dossier (an absolute folder), re-creating the
// folder if it has gone. The new file replaces the old one only once it is
// wholly on disk; on failure the old one is untouched.
void EcrireQCM(const TQuestionnaire& q, const QString& dossier);

// The media files q names (background, music, the written questions'
// pictures) that no entry of dossier matches, each once, as q names them.
QStringList MediasManquants(const TQuestionnaire& q, const QString& dossier);

// The reading and writing of the file's bytes, apart from any folder.
// ParseQCM fills every field the file holds and the questions it does not
// reach; Repertoire is left empty.
TQuestionnaire ParseQCM(QByteArrayView bytes);
// Raises EEcriture when a text cannot be held by the file. Each written
// question is written as TasserPropositions leaves it.
QByteArray FormatQCM(const TQuestionnaire& q);

// Gaps between propositions cannot be written (the file holds the first c
// slots): in every question the writer writes, filled slots move down with
// their marks, blank ones go last, and NbReponses becomes the number of
// filled slots. Saving runs it on the record so that what is shown is what
// was saved.
void TasserPropositions(TQuestionnaire& q);

// True when c may stand in a line of the file: the one rule for what the
// writer accepts and what the editor's fields let in.
bool CaractereEcrivable(QChar c);

// The first line of a questionnaire file as the chooser lists it, untrimmed.
QString PremiereLigneQCM(QByteArrayView bytes);

} // namespace qcm::model
