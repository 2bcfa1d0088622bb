#pragma once

#include <QString>

#include <functional>

namespace qcm {

// Lists the questionnaires of the start folder depart, in the order the
// file system gives them: every folder whose name has no dot and that holds
// a readable QCM.txt (any case) is handed to ajouter with the first line of
// its file. A file that cannot be opened is left out silently; an error
// while reading an opened one raises and ends the listing there.
void ParcourirQuestionnaires(
    const QString& depart,
    const std::function<void(const QString& titre, const QString& dossier)>& ajouter);

} // namespace qcm
