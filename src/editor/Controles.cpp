#include "Controles.h"

#include "core/Cp1252.h"
#include "editor/resources/Glyphes.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QValidator>

#include <limits>

namespace qcm {

QString TexteEnregistrable(const QString& texte) {
    QString propre;
    propre.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t u = texte.at(i).unicode();
        if (u == '\r' || u == '\n' || u == QChar::LineSeparator || u == QChar::ParagraphSeparator) {
            // A CR LF pair is one line break, so one space.
            if (u == '\r' && i + 1 < texte.size() && texte.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            propre.append(QLatin1Char(' '));
            continue;
        }
        if ((u < 32 && u != '\t') || !cp1252::canEncode(texte.at(i))) {
            continue;
        }
        propre.append(texte.at(i));
    }
    return propre;
}

// ---------------------------------------------------------------- BoutonGlyphe

namespace {

// The greyed glyph of a disabled button: its dark pixels in grey over a
// white copy one pixel down and right.
QImage griser(const QImage& glyphe) {
    QImage masque(glyphe.size(), QImage::Format_ARGB32);
    masque.fill(Qt::transparent);
    for (int y = 0; y < glyphe.height(); ++y) {
        for (int x = 0; x < glyphe.width(); ++x) {
            const QRgb p = glyphe.pixel(x, y);
            if (qAlpha(p) != 0 && qGray(p) < 192) {
                masque.setPixel(x, y, qRgba(0, 0, 0, 255));
            }
        }
    }
    auto teinte = [&masque](const QColor& c) {
        QImage t = masque;
        QPainter p(&t);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(t.rect(), c);
        return t;
    };
    QImage grise(glyphe.width() + 1, glyphe.height() + 1, QImage::Format_ARGB32);
    grise.fill(Qt::transparent);
    QPainter p(&grise);
    p.drawImage(1, 1, teinte(Qt::white));
    p.drawImage(0, 0, teinte(QColor(128, 128, 128)));
    return grise;
}

} // namespace

BoutonGlyphe::BoutonGlyphe(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void BoutonGlyphe::setGlyphe(const QImage& glyphe) {
    glyphe_ = glyphe;
    grise_ = griser(glyphe);
    bande_ = QImage();
    update();
}

void BoutonGlyphe::setBande(const QImage& bande) {
    bande_ = bande;
    glyphe_ = bande.copy(0, 0, bande.width() / 4, bande.height());
    grise_ = QImage();
    update();
}

void BoutonGlyphe::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool enfonce = isDown();
    const QRect r = rect();
    if (isEnabled() && (enfonce || survol_)) {
        // A flat button shows its frame only under the mouse.
        const QColor hautGauche = enfonce ? QColor(128, 128, 128) : QColor(255, 255, 255);
        const QColor basDroite = enfonce ? QColor(255, 255, 255) : QColor(128, 128, 128);
        p.setPen(hautGauche);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(basDroite);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
    QImage image;
    if (!bande_.isNull()) {
        const int w = bande_.width() / 4;
        const int etat = !isEnabled() ? 1 : enfonce ? 2 : isChecked() ? 3 : 0;
        image = bande_.copy(etat * w, 0, w, bande_.height());
    } else {
        image = isEnabled() ? glyphe_ : grise_;
    }
    if (image.isNull()) {
        return;
    }
    const int decalage = enfonce ? 1 : 0;
    const int x = (width() - glyphe_.width()) / 2 + decalage;
    const int y = (height() - glyphe_.height()) / 2 + decalage;
    p.drawImage(x, y, image);
}

void BoutonGlyphe::enterEvent(QEnterEvent* event) {
    survol_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void BoutonGlyphe::leaveEvent(QEvent* event) {
    survol_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void BoutonGlyphe::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton bouton = event->button();
    const bool dessus = rect().contains(event->position().toPoint());
    QAbstractButton::mouseReleaseEvent(event);
    if (dessus) {
        emit relache(bouton);
    }
}

// ------------------------------------------------------------------- CaseBande

CaseBande::CaseBande(QWidget* parent) : QFrame(parent) {}

void CaseBande::setCouleur(const QColor& c) {
    if (c != couleur_) {
        couleur_ = c;
        update();
    }
}

void CaseBande::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), couleur_);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CaseBande::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clic();
    }
}

// ------------------------------------------------------------------ ChampLigne

namespace {

class ValidateurLigne : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const QString propre = TexteEnregistrable(input);
        if (propre != input) {
            pos = std::min<int>(pos - (input.size() - propre.size()), propre.size());
            pos = std::max(pos, 0);
            input = propre;
        }
        return Acceptable;
    }
};

} // namespace

ChampLigne::ChampLigne(QWidget* parent) : QLineEdit(parent) {
    // The file sets no limit to a text's length.
    setMaxLength(std::numeric_limits<int>::max());
    setValidator(new ValidateurLigne(this));
}

void ChampLigne::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClic();
}

// ------------------------------------------------------------------ ChampTexte

ChampTexte::ChampTexte(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QPlainTextEdit::textChanged, this, &ChampTexte::contenuChange);
}

QString ChampTexte::lireDocument() const {
    // toRawText keeps non-breaking spaces, which toPlainText would turn
    // into plain ones behind the user's back.
    QString t = document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return t;
}

void ChampTexte::setTexte(const QString& texte) {
    if (texte == texte_) {
        return;
    }
    setPlainText(texte);
}

void ChampTexte::viderSansSignal() {
    interne_ = true;
    clear();
    interne_ = false;
    texte_.clear();
}

void ChampTexte::contenuChange() {
    if (interne_) {
        return;
    }
    QString t = lireDocument();
    const QString propre = TexteEnregistrable(t);
    if (propre != t) {
        // Whatever route the text took in, what the record gets is what the
        // file can hold, and the field shows exactly that.
        const int position = std::min<int>(textCursor().position(), propre.size());
        interne_ = true;
        setPlainText(propre);
        QTextCursor c = textCursor();
        c.setPosition(position);
        setTextCursor(c);
        interne_ = false;
        t = propre;
    }
    if (t == texte_) {
        return;
    }
    texte_ = t;
    emit texteChange();
}

void ChampTexte::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).unicode() >= 32 && !cp1252::canEncode(typed)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ChampTexte::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() &&
        TexteEnregistrable(event->commitString()) != event->commitString()) {
        QInputMethodEvent propre(event->preeditString(), event->attributes());
        propre.setCommitString(TexteEnregistrable(event->commitString()), event->replacementStart(),
                               event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&propre);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void ChampTexte::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) {
        return;
    }
    insertPlainText(TexteEnregistrable(source->text()));
}

// ------------------------------------------------------------------ SurfaceFond

SurfaceFond::SurfaceFond(QWidget* parent) : QWidget(parent) {}

QImage& SurfaceFond::surface() {
    if (surface_.isNull() || surface_.size() != size()) {
        QImage nouvelle(size(), QImage::Format_RGB32);
        nouvelle.fill(Qt::black);
        surface_ = nouvelle;
    }
    return surface_;
}

void SurfaceFond::setImage(const QImage& image) {
    surface_ = image;
    update();
}

void SurfaceFond::paintEvent(QPaintEvent*) {
    if (surface_.isNull()) {
        return;
    }
    QPainter p(this);
    p.drawImage(0, 0, surface_);
}

ImageGlyphe::ImageGlyphe(const QString& nom, QWidget* parent)
    : QWidget(parent), Picture(glyphes::Glyphe(nom)) {
    setObjectName(nom);
    hide();
}

} // namespace qcm
