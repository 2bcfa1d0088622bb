#include "Faide.h"

#include "Codage.h"
#include "FaideTextes.h"
#include "Panneau.h"
#include "core/AtomicFile.h"
#include "core/Cp1252.h"
#include "core/Errors.h"
#include "core/Folders.h"
#include "dialogs/resources/Logo.h"
#include "platform/Garde.h"
#include "platform/MessageBoxes.h"
#include "platform/Modal.h"
#include "platform/Navigateur.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStringList>

namespace qcm::dialogs {

using namespace qcm::core;

namespace {

const QColor kCreme(239, 231, 180);

QFont Arial(int pixels, bool gras = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(gras);
    return f;
}

QString Texte(std::string_view brouille) {
    const QByteArrayView cle(textes::kCle.data(), static_cast<qsizetype>(textes::kCle.size()));
    const QByteArrayView donnees(brouille.data(), static_cast<qsizetype>(brouille.size()));
    return cp1252::Decode(codage::Decoder(cle, donnees));
}

} // namespace

// ------------------------------------------------------------ the picture

ImageAnimee::ImageAnimee(QWidget* parent) : QWidget(parent) {
    image_.OnChange = [this] { update(); };
}

void ImageAnimee::Charger(const QByteArray& octets) {
    image_.LoadFromBytes(octets);
    resize(image_.Width(), image_.Height());
}

void ImageAnimee::paintEvent(QPaintEvent*) {
    QPainter p(this);
    platform::Proteger([&] { image_.Draw(p, rect()); });
}

void ImageAnimee::hideEvent(QHideEvent* event) {
    // No painter keeps time for a box nobody sees.
    image_.StopPainting();
    QWidget::hideEvent(event);
}

void LabelCliquable::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit Clic();
    }
}

// ---------------------------------------------------------------- the box

TFaide::TFaide(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), Panel1(new Panneau(kCreme, this)),
      Image1(new ImageAnimee(Panel1)), Memo1(new QPlainTextEdit(Panel1)),
      Contact(new LabelCliquable(Panel1)), BitBtn1(new QPushButton(Panel1)),
      Terminer([] { QCoreApplication::quit(); }) {
    setObjectName(QStringLiteral("Faide"));
    setFixedSize(369, 282);
    QFont police(QStringLiteral("MS Sans Serif"));
    police.setPixelSize(11);
    setFont(police);
    QPalette fond = palette();
    fond.setColor(QPalette::Window, fond.color(QPalette::Button));
    setPalette(fond);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 369, 281);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(136, 8, 102, 59);
    platform::Proteger([this] { Image1->Charger(logo::Octets()); });

    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(16, 72, 337, 129);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setFont(Arial(13));
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->document()->setDocumentMargin(0);
    QPalette memo = Memo1->palette();
    memo.setColor(QPalette::Base, kCreme);
    memo.setColor(QPalette::Text, memo.color(QPalette::WindowText));
    Memo1->setPalette(memo);
    Memo1->setPlainText(QStringList(8, QString()).join(QLatin1Char('\n')));

    Contact->setObjectName(QStringLiteral("Contact"));
    Contact->setGeometry(16, 208, 329, 17);
    Contact->setFont(Arial(13));
    Contact->setCursor(Qt::PointingHandCursor);

    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(104, 232, 153, 33);
    BitBtn1->setText(QStringLiteral("QUITTER"));
    BitBtn1->setFont(Arial(16, true));
    BitBtn1->setCursor(Qt::PointingHandCursor);
    QPalette marine = BitBtn1->palette();
    marine.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    BitBtn1->setPalette(marine);

    setAccessibleName(QStringLiteral("À propos de QCM"));
    Panel1->setAccessibleName(accessibleName());
    Image1->setAccessibleName(QStringLiteral("Logo animé de QCM"));
    Memo1->setAccessibleName(QStringLiteral("Auteurs et remerciements"));
    Contact->setAccessibleDescription(QStringLiteral("Ouvre le guide de QCM et quitte (F1)"));
    BitBtn1->setAccessibleDescription(QStringLiteral("Fermer (Entrée ou Échap)"));
    // The contact line takes no focus: its key.
    auto* guide = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(guide, &QShortcut::activated, this,
            [this] { platform::Proteger([this] { ContactClick(); }); });

    // Tab order: the button first, then the memo.
    BitBtn1->setFocus();
    QWidget::setTabOrder(BitBtn1, Memo1);
    Contact->setFocusPolicy(Qt::NoFocus);

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { platform::Proteger([this] { BitBtn1Click(); }); });
    connect(Contact, &LabelCliquable::Clic, this,
            [this] { platform::Proteger([this] { ContactClick(); }); });
    FormCreate();
}

void TFaide::FormCreate() {
    QStringList lignes;
    for (const std::string_view ligne : textes::kLignes) {
        lignes.push_back(Texte(ligne));
    }
    Memo1->setPlainText(lignes.join(QLatin1Char('\n')));
    Contact->setText(Texte(textes::kContact));
}

void TFaide::Montrer() {
    platform::ExecuterModal(*this);
}

QUrl TFaide::Lien() {
    const QString cible = Texte(textes::kLien);
    QUrl url(cible);
    if (url.isValid() && !url.scheme().isEmpty()) {
        return url;
    }
    return QUrl::fromLocalFile(
        QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(cible)));
}

QString TFaide::Guide() {
    const QUrl lien = Lien();
    if (!lien.isLocalFile()) {
        return lien.toString();
    }
    if (QFileInfo::exists(lien.toLocalFile())) {
        return lien.toLocalFile();
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString dossier = folders::Join(runtime, QStringLiteral("qcm"));
    if (runtime.isEmpty() || !QDir().mkpath(dossier)) {
        throw Exception(QStringLiteral("Impossible d'écrire le guide de QCM : aucun dossier "
                                       "temporaire n'est disponible."));
    }
    QFile copie(QStringLiteral(":/guide/README.md"));
    if (!copie.open(QIODevice::ReadOnly)) {
        throw Exception(QStringLiteral("Le guide de QCM est introuvable."));
    }
    const QString chemin = folders::Join(dossier, QStringLiteral("README.md"));
    WriteFileAtomically(chemin, copie.readAll());
    return chemin;
}

void TFaide::ContactClick() {
    const QString guide = Guide();
    // The program ends once the guide is open; when nothing opens it, the
    // teacher is told where it is and the box stays.
    const QPointer<TFaide> moi(this);
    platform::NavigateurCourant().Ouvrir(
        guide,
        [moi, guide] {
            if (moi.isNull()) {
                return;
            }
            platform::Proteger([&] {
                platform::MessageBox(
                    QStringLiteral("Aucun programme n'a pu ouvrir le guide de QCM. Il se trouve "
                                   "ici :\n%1")
                        .arg(QDir::toNativeSeparators(guide)),
                    QStringLiteral("QCM"), platform::Boutons::Ok, platform::Icone::Exclamation);
            });
        },
        [moi] {
            if (!moi.isNull()) {
                moi->Terminer();
            }
        });
}

void TFaide::BitBtn1Click() {
    accept();
}

void TFaide::showEvent(QShowEvent* event) {
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        const QRect r = ecran->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    QDialog::showEvent(event);
    BitBtn1->setFocus();
}

} // namespace qcm::dialogs
