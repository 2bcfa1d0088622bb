#pragma once

#include <QString>

#include <functional>

namespace qcm::model {

// Lists the questionnaires of the start folder depart, in the order the
// file system gives them: every folder whose name has no dot and that holds
// a readable QCM.txt (any case) is handed to ajouter with the first line of
// its file. A file that cannot be read is left out silently. Raises when
// the start folder cannot be listed.
void ParcourirQuestionnaires(
    const QString& depart,
    const std::function<void(const QString& titre, const QString& dossier)>& ajouter);

// The name of the first numbered questionnaire folder ("QCM1", "QCM2"...)
// that nothing of the start folder depart takes yet, names matched without
// regard to case.
QString ProchainDossierQCM(const QString& depart);

} // namespace qcm::model
