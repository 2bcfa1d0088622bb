#pragma once

#include "model/Questionnaire.h"

#include <QStringList>

// Records what the model asked of the window, in order.
class RecordingView : public qcm::model::VueQuestionnaire {
public:
    QStringList calls;

    void ActiverSauver(bool actif) override { calls << QStringLiteral("Sauver %1").arg(actif); }
    void AfficherEntete(const QString& t, const QString& a) override {
        calls << QStringLiteral("Entete %1|%2").arg(t, a);
    }
    void AfficherQuestion(int n) override { calls << QStringLiteral("Question %1").arg(n); }
};
