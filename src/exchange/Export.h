#pragma once

#include "core/Errors.h"
#include "model/Questionnaire.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// Taking a questionnaire to other programs: question banks, paper exams and
// the pupil's page. No widgets; every media name resolves in the folder the
// caller gives, so the editor can export what it shows without saving.
namespace qcm::exchange {

enum class FormatExport { Gift, Moodle, Amc, Html, Scorm12, Scorm2004 };

// "gift", "moodle", "amc", "html", "scorm12" or "scorm2004", as the command
// line names them.
std::optional<FormatExport> FormatNomme(const QString& nom);
// The usual file extension, without the dot.
QString ExtensionFormat(FormatExport format);

// Raised when a questionnaire cannot be exported or a file imported; the
// message is French and whole.
class EEchange : public core::Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EEchange"; }
};

// The share of right answers, in percent, that a pupil needs to pass when
// the pupil's page reports to a learning platform (SCORM).
inline constexpr int kSeuilParDefaut = 50;

// The questionnaire q, whose media files resolve in dossier, as a file of
// the given format.
QByteArray Exporter(const model::TQuestionnaire& q, const QString& dossier, FormatExport format);

// A file an export writes beside its main file (the pictures of AMC-TXT).
struct FichierJoint {
    QString Nom;
    QByteArray Octets;
};

// An export with what goes around it: the files to write beside the main
// file, and a French line for everything the format could not take as it
// is (a missing picture, a question reshaped), so nothing goes silently.
struct ExportComplet {
    QByteArray Octets;
    std::vector<FichierJoint> Joints;
    QStringList Pertes;
};

// Gives the name that a file written beside an export takes: voulu when it
// is free there, else another that is. octets are the file's.
using NommerJoint = std::function<QString(const QString& voulu, const QByteArray& octets)>;

// As Exporter; prefixe names the files written beside the main one
// (letters, digits and dashes are kept, the rest becomes "_"), and nommer,
// when given, chooses their names in the end; a file named otherwise than
// wanted is said in Pertes. seuil (0 to 100) is the pass mark of a SCORM
// package.
ExportComplet ExporterComplet(const model::TQuestionnaire& q, const QString& dossier,
                              FormatExport format, const QString& prefixe = QString(),
                              const NommerJoint& nommer = {}, int seuil = kSeuilParDefaut);

// Raises EEchange, before anything is written, when the folder of fichier
// (a path) is missing or fichier is itself a folder (an export does not
// leave its pictures behind for a main file it cannot write), and when
// writing fichier would replace a questionnaire's file: a QCM.txt, in any
// case, or a file that the record of its folder names. The media names of
// q, saved or not, count in dossier, its folder. A link counts for the
// file it leads to.
void VerifierDestination(const QString& fichier, const model::TQuestionnaire& q,
                         const QString& dossier);

// The one writer of exports and prints: checks fichier and every file of
// joints (written beside it) as VerifierDestination() does, and that no
// joint would replace a file already there (one holding the same bytes is
// left as it is), all before anything is written, then writes the joints
// and fichier last, so that the files it names are there when it appears.
void EcrireSortie(const QString& fichier, const QByteArray& octets,
                  const std::vector<FichierJoint>& joints, const model::TQuestionnaire& q,
                  const QString& dossier);

// Exports into the file fichier (a path), the files written beside it
// named after it under names that are free there, and returns the French
// lines of what the format could not take as it is.
QStringList ExporterVers(const model::TQuestionnaire& q, const QString& dossier,
                         FormatExport format, const QString& fichier, int seuil = kSeuilParDefaut);

// A name for an export of q, without extension: its title without what a
// file name cannot hold, or "questionnaire". Never QCM followed by digits,
// which names a questionnaire's folder or file.
QString NomExport(const model::TQuestionnaire& q);

// The path of the media file nom in dossier (names matched without regard
// to case), or empty when nom is blank or no such file is there.
QString CheminMedia(const QString& dossier, const QString& nom);

} // namespace qcm::exchange
