#pragma once

#include <QAbstractButton>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace qcm::editor {

// The text a value of the questionnaire file can hold, as close as possible
// to what was typed or pasted: line breaks become spaces, and characters
// the file cannot hold (CaractereEcrivable) are dropped.
QString TexteEnregistrable(const QString& texte);

// A flat button that draws a glyph, with the glyph's bottom-left colour
// already made transparent (glyphes::Glyphe). Its two-state tag is kept by
// the window's handlers.
class BoutonGlyphe : public QAbstractButton {
    Q_OBJECT
public:
    explicit BoutonGlyphe(QWidget* parent = nullptr);

    // One glyph; the greyed picture for the disabled state is derived.
    void SetGlyphe(const QImage& glyphe);
    // A strip of four glyphs side by side: up, disabled, pressed, held down.
    void SetBande(const QImage& bande);
    const QImage& Glyphe() const { return glyphe_; }

    int Tag = 0;

signals:
    // A mouse button released over the button (the right one included).
    void Relache(Qt::MouseButton bouton);
    // A new glyph, which shows a new state of the tag.
    void GlypheChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage glyphe_;
    QImage grise_;
    QImage bande_;
    bool survol_ = false;
};

// A cell of the question strip: a 1-pixel black border around a colour.
class CaseBande : public QFrame {
    Q_OBJECT
public:
    explicit CaseBande(QWidget* parent = nullptr);
    QColor Couleur() const { return couleur_; }
    void SetCouleur(const QColor& c);
    int Tag = 0;

signals:
    void Clic();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor couleur_{255, 255, 255};
};

// The edit fields have the desktop's sunken 2-pixel border.

// A one-line value: a typed line break or a character the file cannot hold
// is refused with a beep; pasted line breaks become spaces. A text the
// program sets is kept as it is. The change signal is textChanged, which
// fires only when the text really changes.
class ChampLigne : public QLineEdit {
    Q_OBJECT
public:
    explicit ChampLigne(QWidget* parent = nullptr);

    // Sets the text, showing its start. Does nothing when the field
    // already holds texte.
    void SetTexte(const QString& texte);

signals:
    void DoubleClic();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString avant_;
};

// A wrapping edit whose value is nevertheless one line of the file: Enter
// is refused with a beep and pasted line breaks become spaces. A text the
// program sets is kept as it is. texteChange fires when the text changes,
// typed or set, and never when it is set to itself.
class ChampTexte : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ChampTexte(QWidget* parent = nullptr);

    QString Texte() const { return texte_; }
    // Does nothing when the field already holds texte.
    void SetTexte(const QString& texte);
    // Empties the field without a change signal.
    void ViderSansSignal();

signals:
    void TexteChange();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void ContenuChange();
    QString LireDocument() const;

    QString texte_;
    // The document as last read, to tell what an edit brought in.
    QString lu_;
    bool interne_ = false;
};

// The background surface: an off-screen picture the size of the window,
// created on the first drawing and kept; nothing is drawn before that.
class SurfaceFond : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceFond(QWidget* parent = nullptr);
    QImage& Surface();
    const QImage& Image() const { return surface_; }
    void SetImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage surface_;
};

// A hidden holder of a glyph picture that is copied into buttons.
class ImageGlyphe : public QWidget {
    Q_OBJECT
public:
    ImageGlyphe(const QString& nom, QWidget* parent);
    QImage Picture;
};

} // namespace qcm::editor
