#pragma once

#include "model/Questionnaire.h"

#include <QByteArray>
#include <QString>

class QPagedPaintDevice;

// The questionnaire on paper, for the class: title and author, each question
// that has a statement with its picture and its propositions before empty
// boxes (round for one answer, square for several). The answer key ticks the
// right boxes and shows the comments. No widgets: any paged device will do,
// a PDF writer or a printer.
namespace qcm::exchange {

enum class Corrige { Sans, Avec };

// A4 portrait with the margins the layout expects.
void MettreEnPageA4(QPagedPaintDevice& device);

// Lays q out on the pages of device, as set up by its owner; media names
// resolve in dossier. A picture that cannot be read is replaced by a note.
void Imprimer(const model::TQuestionnaire& q, const QString& dossier, QPagedPaintDevice& device,
              Corrige corrige);

// The whole document as an A4 PDF file.
QByteArray ImprimerPdf(const model::TQuestionnaire& q, const QString& dossier, Corrige corrige);

// The PDF written to fichier (a path) by EcrireSortie(): never over a
// questionnaire's file.
void ImprimerVers(const model::TQuestionnaire& q, const QString& dossier, Corrige corrige,
                  const QString& fichier);

} // namespace qcm::exchange
