#pragma once

#include <QDialog>
#include <QListWidget>

class QLabel;
class QPushButton;

namespace qcm {

struct EtatEditeur;

// The chooser's list: a double click anywhere in it, items or not, counts.
class ListeChoix : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
signals:
    void doubleClic();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Lists the questionnaires under the start folder by title and answers,
// in QCMChoisi, a folder name, "Nouveau QCM", or empty when cancelled.
class TChoixQCM : public QDialog {
    Q_OBJECT
public:
    explicit TChoixQCM(EtatEditeur& etat, QWidget* parent = nullptr);

    // The scan of the current folder (the start folder). Raises EInOutError
    // when an opened file cannot be read; the entries found so far stay.
    void FormCreate();
    // Shows the chooser modally; the answer is in QCMChoisi.
    void Choisir();

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

    // Escape and the desktop's close keys do nothing: only the three
    // buttons end the choice, so no earlier answer is taken for a new one.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;

private:
    EtatEditeur& etat_;
};

// The first line of a questionnaire file, as the chooser lists it: bytes up
// to the first carriage return or Ctrl-Z, decoded from code page 1252.
// Raises EInOutError when the file cannot be read.
QString PremiereLigne(const QString& path);

} // namespace qcm
