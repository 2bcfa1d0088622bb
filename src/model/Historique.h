#pragma once

#include "Questionnaire.h"

#include <cstddef>
#include <deque>
#include <optional>

namespace qcm::model {

// A state the history gives back: the whole record, and the question the
// change touched, to be shown.
struct Instantane {
    TQuestionnaire Questionnaire;
    int Question = 1;
};

// The undo history of one open questionnaire. Each step keeps the whole
// record on either side of a change (the texts are shared, so a step costs
// little), and undoing or redoing gives it back exactly.
class Historique {
public:
    // Steps kept; the oldest go first.
    static constexpr std::size_t kPasMax = 500;

    // A change turned avant, seen at question questionAvant, into a record
    // to be seen at question questionApres. What could be redone is
    // forgotten.
    void Noter(TQuestionnaire avant, int questionAvant, int questionApres);
    // The record before the last change, and the question it touched;
    // actuel, the record as it stands, can then be redone. Nothing when no
    // change is left.
    std::optional<Instantane> Annuler(TQuestionnaire actuel);
    // The record after the last change undone; actuel can be undone again.
    std::optional<Instantane> Retablir(TQuestionnaire actuel);

    bool PeutAnnuler() const { return !annuler_.empty(); }
    bool PeutRetablir() const { return !retablir_.empty(); }
    std::size_t Pas() const { return annuler_.size(); }
    void Vider();

private:
    struct Etape {
        TQuestionnaire questionnaire;
        int question;
        // The question to show on the other side of the step.
        int autre;
    };
    static std::optional<Instantane> Passer(std::deque<Etape>& depuis, std::deque<Etape>& vers,
                                            TQuestionnaire actuel);

    std::deque<Etape> annuler_;
    std::deque<Etape> retablir_;
};

} // namespace qcm::model
