#include "Historique.h"

namespace qcm::model {

void Historique::Noter(TQuestionnaire avant, int questionAvant, int questionApres) {
    annuler_.push_back({std::move(avant), questionAvant, questionApres});
    if (annuler_.size() > kPasMax) {
        annuler_.pop_front();
    }
    retablir_.clear();
}

std::optional<Instantane> Historique::Passer(std::deque<Etape>& depuis, std::deque<Etape>& vers,
                                             TQuestionnaire actuel) {
    if (depuis.empty()) {
        return std::nullopt;
    }
    Etape etape = std::move(depuis.back());
    depuis.pop_back();
    vers.push_back({std::move(actuel), etape.autre, etape.question});
    return Instantane{std::move(etape.questionnaire), etape.question};
}

std::optional<Instantane> Historique::Annuler(TQuestionnaire actuel) {
    return Passer(annuler_, retablir_, std::move(actuel));
}

std::optional<Instantane> Historique::Retablir(TQuestionnaire actuel) {
    return Passer(retablir_, annuler_, std::move(actuel));
}

void Historique::Vider() {
    annuler_.clear();
    retablir_.clear();
}

} // namespace qcm::model
