#include "Controles.h"

#include "editor/resources/Glyphes.h"
#include "model/QcmFile.h"
#include "pictures/ImageLimits.h"
#include "platform/Bip.h"
#include "platform/Relief.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QValidator>

#include <functional>

namespace qcm::editor {

using namespace qcm::core;
using namespace qcm::model;

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
        if (!CaractereEcrivable(texte.at(i))) {
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
QImage Griser(const QImage& glyphe) {
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

void BoutonGlyphe::SetGlyphe(const QImage& glyphe) {
    glyphe_ = glyphe;
    // Greyed on first need: most buttons are never drawn disabled.
    grise_ = QImage();
    bande_ = QImage();
    update();
    emit GlypheChange();
}

void BoutonGlyphe::SetBande(const QImage& bande) {
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
        const QColor gris(128, 128, 128);
        const QColor blanc(255, 255, 255);
        platform::Liseret(p, r, enfonce ? gris : blanc, enfonce ? blanc : gris);
    }
    QImage image;
    if (!bande_.isNull()) {
        const int w = bande_.width() / 4;
        const int etat = !isEnabled() ? 1 : enfonce ? 2 : isChecked() ? 3 : 0;
        image = bande_.copy(etat * w, 0, w, bande_.height());
    } else {
        if (!isEnabled() && grise_.isNull() && !glyphe_.isNull()) {
            grise_ = Griser(glyphe_);
        }
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
        emit Relache(bouton);
    }
}

// ------------------------------------------------------------------- CaseBande

CaseBande::CaseBande(QWidget* parent) : QFrame(parent) {}

void CaseBande::SetCouleur(const QColor& c) {
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
        emit Clic();
    }
}

// ------------------------------------------------------------------ ChampLigne

namespace {

// The text after an edit, with the typing rules applied only to what the
// edit brought in: what the field held before, as read from the file or
// typed, stays as it was. position, the cursor, follows the removals.
QString TexteSaisi(const QString& avant, const QString& apres, int& position) {
    const qsizetype commun = std::min(avant.size(), apres.size());
    qsizetype debut = 0;
    while (debut < commun && avant.at(debut) == apres.at(debut)) {
        ++debut;
    }
    qsizetype fin = 0;
    while (fin < commun - debut &&
           avant.at(avant.size() - 1 - fin) == apres.at(apres.size() - 1 - fin)) {
        ++fin;
    }
    const QString ajout = apres.sliced(debut, apres.size() - debut - fin);
    const QString propre = TexteEnregistrable(ajout);
    if (propre == ajout) {
        return apres;
    }
    if (position >= debut + ajout.size()) {
        position -= static_cast<int>(ajout.size() - propre.size());
    } else if (position > debut) {
        position = static_cast<int>(std::min<qsizetype>(position, debut + propre.size()));
    }
    return apres.first(debut) + propre + apres.last(fin);
}

// A typed key that may not reach a field: a line break, or a character
// without a byte in code page 1252. Control keys (shortcuts, Backspace,
// Tab) go on to the field.
bool ToucheRefusee(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        return true;
    }
    const QString tape = event->text();
    return !tape.isEmpty() && tape.at(0).unicode() >= 32 && !CaractereEcrivable(tape.at(0));
}

// Hands an input method's commit to the field without the characters the
// file cannot hold; a refused character beeps as a refused key does.
void SaisieFiltree(QInputMethodEvent* event,
                   const std::function<void(QInputMethodEvent*)>& transmettre) {
    const QString propre = TexteEnregistrable(event->commitString());
    if (propre == event->commitString()) {
        transmettre(event);
        return;
    }
    platform::Bip();
    QInputMethodEvent filtre(event->preeditString(), event->attributes());
    filtre.setCommitString(propre, event->replacementStart(), event->replacementLength());
    transmettre(&filtre);
}

class ValidateurLigne : public QValidator {
public:
    ValidateurLigne(const QString& avant, QObject* parent) : QValidator(parent), avant_(avant) {}
    State validate(QString& input, int& pos) const override {
        input = TexteSaisi(avant_, input, pos);
        return Acceptable;
    }

private:
    const QString& avant_;
};

} // namespace

ChampLigne::ChampLigne(QWidget* parent) : QLineEdit(parent) {
    // A questionnaire file holds at most kTailleMaxQCM bytes, one byte a
    // character, so no title or author read from one is cut; Qt's text
    // layout breaks down long before the maximum integer.
    setMaxLength(static_cast<int>(kTailleMaxQCM));
    setFrame(false);
    setTextMargins(platform::kBordCreux, platform::kBordCreux, platform::kBordCreux,
                   platform::kBordCreux);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) { avant_ = t; });
    setValidator(new ValidateurLigne(avant_, this));
}

void ChampLigne::SetTexte(const QString& texte) {
    if (texte == text()) {
        return;
    }
    // The validator sees setText too: nothing of this text is typed in.
    avant_ = texte;
    setText(texte);
    // Show the start of a text too long for the field, as a typed-in one
    // would not.
    setCursorPosition(0);
}

void ChampLigne::keyPressEvent(QKeyEvent* event) {
    if (ToucheRefusee(event)) {
        platform::Bip();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ChampLigne::inputMethodEvent(QInputMethodEvent* event) {
    SaisieFiltree(event, [this](QInputMethodEvent* e) { QLineEdit::inputMethodEvent(e); });
}

void ChampLigne::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter p(this);
    platform::BordCreux(p, rect());
}

void ChampLigne::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit DoubleClic();
}

// ------------------------------------------------------------------ ChampTexte

ChampTexte::ChampTexte(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::NoFrame);
    setViewportMargins(platform::kBordCreux, platform::kBordCreux, platform::kBordCreux,
                       platform::kBordCreux);
    connect(this, &QPlainTextEdit::textChanged, this, &ChampTexte::ContenuChange);
}

bool ChampTexte::event(QEvent* event) {
    // The edit's own surface is only the border around the viewport.
    if (event->type() == QEvent::Paint) {
        QPainter p(this);
        platform::BordCreux(p, rect());
        return true;
    }
    return QPlainTextEdit::event(event);
}

QString ChampTexte::LireDocument() const {
    // toRawText keeps non-breaking spaces, which toPlainText would turn
    // into plain ones behind the user's back.
    QString t = document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return t;
}

void ChampTexte::SetTexte(const QString& texte) {
    if (texte == texte_) {
        return;
    }
    // A text the program sets (read from the file) reaches the record as
    // it is: the typing rules are for what the user brings in.
    interne_ = true;
    setPlainText(texte);
    interne_ = false;
    lu_ = LireDocument();
    texte_ = texte;
    emit TexteChange();
}

void ChampTexte::ViderSansSignal() {
    interne_ = true;
    clear();
    interne_ = false;
    texte_.clear();
    lu_.clear();
}

void ChampTexte::ContenuChange() {
    if (interne_) {
        return;
    }
    const QString t = LireDocument();
    int position = textCursor().position();
    const QString propre = TexteSaisi(lu_, t, position);
    if (propre != t) {
        // Whatever route the text took in, what the record gets is what the
        // file can hold, and the field shows exactly that.
        interne_ = true;
        setPlainText(propre);
        QTextCursor c = textCursor();
        c.setPosition(position);
        setTextCursor(c);
        interne_ = false;
    }
    lu_ = propre;
    if (propre == texte_) {
        return;
    }
    texte_ = propre;
    emit TexteChange();
}

void ChampTexte::keyPressEvent(QKeyEvent* event) {
    if (ToucheRefusee(event)) {
        platform::Bip();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ChampTexte::inputMethodEvent(QInputMethodEvent* event) {
    SaisieFiltree(event, [this](QInputMethodEvent* e) { QPlainTextEdit::inputMethodEvent(e); });
}

void ChampTexte::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) {
        return;
    }
    insertPlainText(TexteEnregistrable(source->text()));
}

// ------------------------------------------------------------------ SurfaceFond

SurfaceFond::SurfaceFond(QWidget* parent) : QWidget(parent) {}

QImage& SurfaceFond::Surface() {
    // In the screen's own pixels: a tile is drawn at the size it fills.
    const qreal echelle = devicePixelRatioF();
    if (surface_.isNull() || surface_.deviceIndependentSize() != QSizeF(size()) ||
        surface_.devicePixelRatio() != echelle) {
        QImage nouvelle(pictures::DeviceSize(size(), echelle), QImage::Format_RGB32);
        nouvelle.setDevicePixelRatio(echelle);
        nouvelle.fill(Qt::black);
        surface_ = nouvelle;
    }
    return surface_;
}

void SurfaceFond::SetImage(const QImage& image) {
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

} // namespace qcm::editor
