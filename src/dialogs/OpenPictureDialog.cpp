#include "OpenPictureDialog.h"

#include "pictures/Jpeg.h"
#include "pictures/Picture.h"
#include "pictures/ScaledPicture.h"
#include "platform/DialogueFichier.h"
#include "platform/Garde.h"
#include "platform/Modal.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>

namespace qcm::dialogs {

using namespace qcm::pictures;

namespace {

// A magnifying glass, 16 x 16.
QIcon GlypheApercu() {
    QPixmap glyphe(16, 16);
    glyphe.fill(Qt::transparent);
    QPainter p(&glyphe);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(QColor(192, 224, 255));
    p.drawEllipse(QRectF(2, 2, 8, 8));
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.end();
    return QIcon(glyphe);
}

int Arrondi(std::int64_t produit, int diviseur) {
    return static_cast<int>(std::llround(static_cast<double>(produit) / diviseur));
}

} // namespace

QRect RectApercu(int largeur, int hauteur, const QRect& r) {
    if (largeur <= r.width() && hauteur <= r.height()) {
        return {r.left() + (r.width() - largeur) / 2, r.top() + (r.height() - hauteur) / 2, largeur,
                hauteur};
    }
    if (hauteur < largeur) {
        return {r.left(), r.top(), r.width(), Arrondi(std::int64_t{hauteur} * r.width(), largeur)};
    }
    return {r.left(), r.top(), Arrondi(std::int64_t{largeur} * r.height(), hauteur), r.height()};
}

void BoitePeinture::paintEvent(QPaintEvent*) {
    if (Peindre) {
        QPainter p(this);
        Peindre(p);
    }
}

void BoitePeinture::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit DoubleClic();
    }
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* parent)
    : QFileDialog(parent), picture_(std::make_unique<ScaledPicture>()) {
    setObjectName(QStringLiteral("OpenPictureDialog"));
    // Qt's own dialog: the desktop's could not hold the preview.
    setOption(QFileDialog::DontUseNativeDialog);
    setSizeGripEnabled(true);
    setNameFilters(platform::FiltresQt(FiltreImages()));
    // Read on the GUI thread before any reader thread asks for it.
    JPEGDefaults();
    lecteur_.setMaxThreadCount(1);

    PicturePanel = new QFrame(this);
    PicturePanel->setObjectName(QStringLiteral("PicturePanel"));
    PicturePanel->setFixedWidth(169);
    auto* colonne = new QVBoxLayout(PicturePanel);
    colonne->setContentsMargins(6, 6, 6, 6);
    colonne->setSpacing(0);
    PictureLabel = new QLabel(PicturePanel);
    PictureLabel->setObjectName(QStringLiteral("PictureLabel"));
    PictureLabel->setFixedHeight(23);
    PictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    colonne->addWidget(PictureLabel);
    PaintPanel = new QFrame(PicturePanel);
    PaintPanel->setObjectName(QStringLiteral("PaintPanel"));
    PaintPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PaintPanel->setLineWidth(2);
    colonne->addWidget(PaintPanel, 1);
    auto* cadre = new QVBoxLayout(PaintPanel);
    cadre->setContentsMargins(2, 2, 2, 2);
    PaintBox = new BoitePeinture(PaintPanel);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->Peindre = [this](QPainter& p) { PaintBoxPaint(p); };
    cadre->addWidget(PaintBox);
    PreviewButton = new QToolButton(PicturePanel);
    PreviewButton->setObjectName(QStringLiteral("PreviewButton"));
    PreviewButton->setGeometry(77, 1, 23, 22);
    PreviewButton->setAutoRaise(true);
    PreviewButton->setIcon(GlypheApercu());
    PreviewButton->setToolTip(QStringLiteral("Prévisualiser"));
    PreviewButton->setEnabled(false);
    PreviewButton->raise();
    PicturePanel->installEventFilter(this);

    if (auto* grille = qobject_cast<QGridLayout*>(layout())) {
        grille->addWidget(PicturePanel, 0, grille->columnCount(), grille->rowCount(), 1);
    }

    connect(this, &QFileDialog::currentChanged, this,
            [this](const QString& chemin) { SelectionChangee(chemin); });
    auto apercu = [this] { platform::Proteger([this] { PreviewClick(); }); };
    connect(PreviewButton, &QToolButton::clicked, this, apercu);
    connect(PaintBox, &BoitePeinture::DoubleClic, this, apercu);
}

TOpenPictureDialog::~TOpenPictureDialog() {
    ++generation_;
    lecteur_.waitForDone();
}

QString TOpenPictureDialog::FiltreImages() {
    QStringList motifs;
    QStringList entrees;
    for (const TFileFormat& f : TFileFormatsList::Instance().Entries()) {
        const QString motif = QStringLiteral("*.") + f.Extension;
        motifs << motif;
        entrees << QStringLiteral("%1 (%2)|%2").arg(f.Description, motif);
    }
    const QString tous = motifs.join(QLatin1Char(';'));
    entrees.prepend(QStringLiteral("Tout (%1)|%1").arg(tous));
    return entrees.join(QLatin1Char('|'));
}

bool TOpenPictureDialog::Execute() {
    if (!fileName_.isEmpty()) {
        selectFile(fileName_);
    }
    const bool choisi = platform::ExecuterModal(*this) == QDialog::Accepted;
    if (choisi) {
        fileName_ = selectedFiles().value(0);
    }
    return choisi;
}

bool TOpenPictureDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PicturePanel && event->type() == QEvent::Resize) {
        CadrerBouton();
    }
    return QFileDialog::eventFilter(watched, event);
}

void TOpenPictureDialog::CadrerBouton() {
    PreviewButton->move(PaintPanel->geometry().right() + 1 - PreviewButton->width() - 2,
                        PreviewButton->y());
}

void TOpenPictureDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    CadrerBouton();
    Montrer(nullptr);
    PictureLabel->clear();
}

void TOpenPictureDialog::hideEvent(QHideEvent* event) {
    // Nothing read for a closed dialog is shown; an animation stops.
    ++generation_;
    picture_->Clear();
    QToolTip::hideText();
    QFileDialog::hideEvent(event);
}

void TOpenPictureDialog::SelectionChangee(const QString& chemin) {
    const int generation = ++generation_;
    Montrer(nullptr);
    const QSize boite = PaintBox->size();
    const qreal echelle = PaintBox->devicePixelRatioF();
    const std::shared_ptr<TGIFClock> horloge = Clock;
    lecteur_.start([this, generation, chemin, boite, echelle, horloge] {
        // A newer selection makes this one useless.
        if (generation != generation_) {
            return;
        }
        auto lue =
            std::make_shared<std::unique_ptr<ScaledPicture>>(std::make_unique<ScaledPicture>());
        ScaledPicture& image = **lue;
        image.Clock = horloge;
        try {
            image.LoadFromFile(chemin);
            image.Prepare(RectApercu(image.Width(), image.Height(), QRect(QPoint(), boite)).size(),
                          echelle);
        } catch (...) {
            // Whatever cannot be previewed shows as no picture.
            lue->reset();
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, lue] {
                if (generation == generation_) {
                    Montrer(std::move(*lue));
                }
            },
            Qt::QueuedConnection);
    });
}

void TOpenPictureDialog::AttendreApercu() {
    lecteur_.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

void TOpenPictureDialog::Montrer(std::unique_ptr<ScaledPicture> picture) {
    const bool lue = picture != nullptr;
    picture_ = lue ? std::move(picture) : std::make_unique<ScaledPicture>();
    picture_->OnFrame = [this] {
        PaintBox->update();
        if (previewImage_ != nullptr) {
            previewImage_->update();
        }
    };
    PictureLabel->setText(lue ? QString::asprintf(" (%dx%d)", picture_->Width(), picture_->Height())
                              : QStringLiteral("Image :"));
    PreviewButton->setEnabled(lue);
    PaintBox->update();
}

void TOpenPictureDialog::PaintBoxPaint(QPainter& p) {
    const QRect r = PaintBox->rect();
    p.fillRect(r, PaintBox->palette().window());
    const int w = picture_->Width();
    const int h = picture_->Height();
    if (w <= 0) {
        const QString vide = QStringLiteral("(vide)");
        const QFontMetrics fm = p.fontMetrics();
        const int tw = fm.horizontalAdvance(vide);
        const int th = fm.height();
        p.drawText(QRect(r.left() + (r.width() - tw) / 2, r.top() + (r.height() - th) / 2, tw, th),
                   Qt::AlignLeft | Qt::AlignTop, vide);
        return;
    }
    picture_->Draw(p, RectApercu(w, h, r));
}

void TOpenPictureDialog::PreviewClick() {
    QDialog fenetre(this, Qt::Tool);
    fenetre.setObjectName(QStringLiteral("PreviewForm"));
    fenetre.setWindowTitle(QStringLiteral("Prévisualiser"));
    fenetre.setSizeGripEnabled(true);
    auto* fond = new QVBoxLayout(&fenetre);
    fond->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(&fenetre);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette couleurs = panel->palette();
    couleurs.setColor(QPalette::Window, couleurs.color(QPalette::Base));
    panel->setPalette(couleurs);
    fond->addWidget(panel);
    auto* cadre = new QVBoxLayout(panel);
    cadre->setContentsMargins(5, 5, 5, 5);
    auto* image = new BoitePeinture(panel);
    image->setObjectName(QStringLiteral("Image"));
    cadre->addWidget(image);

    // Made once at its own size; the window stretches it.
    const QImage pleine =
        picture_->Animated() ? QImage() : picture_->Render({picture_->Width(), picture_->Height()});
    image->Peindre = [this, image, &pleine](QPainter& p) {
        if (picture_->Animated()) {
            picture_->Draw(p, image->rect());
        } else if (!pleine.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(image->rect(), pleine);
        }
    };
    if (picture_->Width() > 0) {
        fenetre.resize(picture_->Width() + 12, picture_->Height() + 12);
    }
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        const QRect e = ecran->availableGeometry();
        fenetre.move(e.center() - QPoint(fenetre.width() / 2, fenetre.height() / 2));
    }
    previewImage_ = image;
    struct Oublier {
        QWidget*& image;
        ~Oublier() { image = nullptr; }
    } oublier{previewImage_};
    platform::ExecuterModal(fenetre);
}

} // namespace qcm::dialogs
