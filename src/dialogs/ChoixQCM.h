#pragma once

#include <QDialog>
#include <QListWidget>

class QLabel;
class QPushButton;

namespace qcm::dialogs {

// The chooser's answer: open a folder of the start folder, create a new
// questionnaire, or nothing.
struct ReponseChoix {
    enum class Sorte { Aucune, Nouveau, Dossier };
    Sorte sorte = Sorte::Aucune;
    // For Dossier: the folder's name in the start folder.
    QString dossier;
    bool operator==(const ReponseChoix&) const = default;
};

// The chooser's list: a double click anywhere in it, items or not, counts.
class ListeChoix : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
signals:
    void DoubleClic();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Lists the questionnaires of the start folder by title and answers which
// one to open, that a new one is wanted, or nothing.
class TChoixQCM : public QDialog {
    Q_OBJECT
public:
    explicit TChoixQCM(QString depart, QWidget* parent = nullptr);

    // The scan of the start folder. Raises when it cannot be listed.
    void FormCreate();
    // Shows the chooser modally and returns its answer.
    ReponseChoix Choisir();

    void CHARGERClick();
    void ListeDblClick() { CHARGERClick(); }
    void NOUVEAUClick();
    void QUITTERClick();

    QWidget* Panel1;
    QLabel* Image1;
    QLabel* Label1;
    ListeChoix* Liste;
    QListWidget* ListeReps;
    QPushButton* CHARGER;
    QPushButton* NOUVEAU;
    QPushButton* QUITTER;

    // The desktop's close keys do nothing: only the three buttons (and
    // their keys) end the choice, so no earlier answer is taken for a new
    // one.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    // The keyboard alone chooses: the arrows in the list, Enter launches,
    // Ctrl+N asks for a new questionnaire, Escape cancels.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString depart_;
    ReponseChoix reponse_;
};

} // namespace qcm::dialogs
