#pragma once

#include "pictures/Gif.h"

#include <QDialog>
#include <QLabel>
#include <QUrl>

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace qcm::dialogs {

// The credits box shown on leaving.
class BoiteApropos {
public:
    virtual ~BoiteApropos() = default;
    // Shows the box modally; returns when the user dismisses it.
    virtual void Montrer() = 0;
};

// Shows an animated GIF picture at its own size; the painters' every
// composition repaints it.
class ImageAnimee : public QWidget {
    Q_OBJECT
public:
    explicit ImageAnimee(QWidget* parent);
    // Reads the picture from bytes and takes its size. Raises the reader's
    // error on bad bytes.
    void Charger(const QByteArray& octets);
    pictures::TGIFImage& Picture() { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    pictures::TGIFImage image_;
};

// A label that answers a click.
class LabelCliquable : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void Clic();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The credits box: the animated logo, eight lines of credits, a contact
// line that opens the program's guide and, once it is open, ends the
// program, and "QUITTER".
class TFaide : public QDialog, public BoiteApropos {
    Q_OBJECT
public:
    explicit TFaide(QWidget* parent = nullptr);
    void Montrer() override;

    // Fills the texts from their scrambled form.
    void FormCreate();
    void ContactClick();
    void BitBtn1Click();

    // Where the contact line leads: the unscrambled target, a path taken
    // from the program's folder unless it is a URL.
    static QUrl Lien();
    // What the contact line opens: Lien, or, when no guide was installed
    // there (a run from the build tree), the copy of the guide the program
    // carries, written to its private runtime folder. Raises when that
    // copy cannot be written.
    static QString Guide();

    QWidget* Panel1;
    ImageAnimee* Image1;
    QPlainTextEdit* Memo1;
    LabelCliquable* Contact;
    QPushButton* BitBtn1;

    // Ends the application; replaced in tests.
    std::function<void()> Terminer;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace qcm::dialogs
