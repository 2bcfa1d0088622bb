#pragma once

#include "core/Errors.h"
#include "model/Questionnaire.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Taking a questionnaire to other programs: question banks, paper exams and
// the pupil's page. No widgets; every media name resolves in the folder the
// caller gives, so the editor can export what it shows without saving.
namespace qcm::exchange {

enum class FormatExport { Gift, Moodle, Amc, Html };

// "gift", "moodle", "amc" or "html", as the command line names them.
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

// As Exporter; prefixe names the files written beside the main one
// (letters, digits and dashes are kept, the rest becomes "_").
ExportComplet ExporterComplet(const model::TQuestionnaire& q, const QString& dossier,
                              FormatExport format, const QString& prefixe = QString());

// Raises EEchange, before anything is written, when the folder of fichier
// (a path) is missing or fichier is itself a folder: an export does not
// leave its pictures behind for a main file it cannot write.
void VerifierDestination(const QString& fichier);

// Exports into the file fichier (a path), the files written beside it
// named after it, and returns the French lines of what the format could
// not take as it is. The main file is written last: the files it names
// are there when it appears.
QStringList ExporterVers(const model::TQuestionnaire& q, const QString& dossier,
                         FormatExport format, const QString& fichier);

// The path of the media file nom in dossier (names matched without regard
// to case), or empty when nom is blank or no such file is there.
QString CheminMedia(const QString& dossier, const QString& nom);

} // namespace qcm::exchange
