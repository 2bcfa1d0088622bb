#pragma once

#include "model/Questionnaire.h"

#include <QStringList>

#include "core/Errors.h"

// Records what the model asked of the window, in order.
class RecordingView : public qcm::VueQuestionnaire {
public:
    QStringList calls;
    QString failOnFond; // AfficherFond raises for this name

    void ActiverSauver(bool actif) override { calls << QStringLiteral("Sauver %1").arg(actif); }
    void MontrerMelange(bool m) override { calls << QStringLiteral("Melange %1").arg(m); }
    void FermerMusique() override { calls << QStringLiteral("FermerMusique"); }
    void CacherCoches() override { calls << QStringLiteral("CacherCoches"); }
    void AfficherFond(const QString& fond) override {
        calls << QStringLiteral("Fond ") + fond;
        if (!failOnFond.isEmpty() && fond == failOnFond) {
            throw qcm::EInOutError(qcm::EInOutError::FileNotFound);
        }
    }
    void ReglerMusique(const QString& m) override { calls << QStringLiteral("Musique ") + m; }
    void AfficherEntete(const QString& t, const QString& a) override {
        calls << QStringLiteral("Entete %1|%2").arg(t, a);
    }
    void AfficherQuestion(int n) override { calls << QStringLiteral("Question %1").arg(n); }
};
