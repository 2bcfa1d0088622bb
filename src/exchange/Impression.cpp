#include "Impression.h"

#include "Commun.h"
#include "pictures/Gif.h"
#include "pictures/Metafile.h"
#include "pictures/ScaledPicture.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextLayout>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace qcm::exchange {

using namespace qcm::core;
using namespace qcm::model;
using namespace qcm::pictures;

namespace {

// Pixels per inch of the pictures that are not vectors: enough for paper,
// small enough that thirty photographs make a light file.
constexpr qreal kDpiImages = 150;
constexpr QColor kNoir(0, 0, 0);
constexpr QColor kGris(90, 90, 90);
constexpr QColor kRouge(200, 0, 0);

QFont Police(qreal points, bool gras = false, bool italique = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(gras);
    f.setItalic(italique);
    return f;
}

// The edits keep line breaks as typed; a layout wants its own separator.
QString Lignes(QString texte) {
    texte.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    texte.replace(QLatin1Char('\n'), QChar::LineSeparator);
    texte.replace(QLatin1Char('\r'), QChar::LineSeparator);
    return texte;
}

// A text wrapped to a width, whose lines are placed one by one so that a
// text longer than a page can still go on the next.
class Paragraphe {
public:
    Paragraphe(const QString& texte, const QFont& police, qreal largeur, QPaintDevice& device)
        : layout_(std::make_shared<QTextLayout>(Lignes(texte), police, &device)) {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout_->setTextOption(option);
        layout_->beginLayout();
        qreal y = 0;
        for (QTextLine l = layout_->createLine(); l.isValid(); l = layout_->createLine()) {
            l.setLineWidth(largeur);
            l.setPosition(QPointF(0, y));
            y += l.height();
        }
        layout_->endLayout();
    }

    int Nombre() const { return layout_->lineCount(); }
    qreal Hauteur(int i) const { return layout_->lineAt(i).height(); }
    void Dessiner(QPainter& p, int i, QPointF hautGauche) const {
        const QTextLine l = layout_->lineAt(i);
        l.draw(&p, hautGauche - l.position());
    }

private:
    std::shared_ptr<QTextLayout> layout_;
};

// One slice of the page's height: a line of text, a picture, a gap. A gap
// is dropped at the top of a page.
struct Piece {
    qreal hauteur = 0;
    std::function<void(QPainter&, qreal haut)> dessiner;
    bool Espace() const { return !dessiner; }
};

// Pieces kept on one page when they fit on one: the title, a question.
using Bloc = std::vector<Piece>;

// A question's picture as the page shows it: vectors for a metafile, a
// picture at paper resolution for the others, or a note saying why not.
struct Illustration {
    QSizeF taille;
    QImage image;
    std::shared_ptr<ScaledPicture> vecteurs;
    QString note;
};

Illustration Illustrer(const QString& dossier, const QString& nom, QSizeF boite, qreal dpi) {
    Illustration out;
    const QString chemin = CheminMedia(dossier, nom);
    if (chemin.isEmpty()) {
        out.note = QStringLiteral("Image introuvable : %1").arg(nom);
        return out;
    }
    try {
        auto image = std::make_shared<ScaledPicture>();
        image->LoadFromFile(chemin);
        if (image->Empty() || image->Width() <= 0 || image->Height() <= 0) {
            out.note = QStringLiteral("Image vide : %1").arg(nom);
            return out;
        }
        const qreal echelle =
            std::min(boite.width() / image->Width(), boite.height() / image->Height());
        out.taille = QSizeF(image->Width() * echelle, image->Height() * echelle);
        if (auto* gif = dynamic_cast<TGIFImage*>(image->Picture().Graphic())) {
            // Paper shows the first frame; no painter is started.
            gif->DrawOptions.Animate = false;
        }
        if (dynamic_cast<TMetafile*>(image->Picture().Graphic()) != nullptr) {
            out.vecteurs = std::move(image);
            return out;
        }
        const QSize pixels = (out.taille * (kDpiImages / dpi)).toSize().expandedTo(QSize(1, 1));
        const QImage rendue = image->Render(pixels);
        if (rendue.isNull()) {
            out = Illustration();
            out.note = QStringLiteral("Image illisible : %1").arg(nom);
            return out;
        }
        // Flattened on the page's white: no transparency mask in the file.
        out.image = QImage(pixels, QImage::Format_RGB32);
        out.image.fill(Qt::white);
        QPainter p(&out.image);
        p.drawImage(0, 0, rendue);
    } catch (const Exception& e) {
        out = Illustration();
        out.note = QStringLiteral("Image illisible : %1 (%2)").arg(nom, e.Message());
    } catch (const std::exception&) {
        out = Illustration();
        out.note = QStringLiteral("Image illisible : %1").arg(nom);
    }
    return out;
}

QString Numero(int n) {
    return QStringLiteral("%1.").arg(n);
}

// Lays out and paints the document; every length is in device units.
class Mise {
public:
    Mise(const TQuestionnaire& q, const QString& dossier, QPagedPaintDevice& device,
         Corrige corrige)
        : q_(q), dossier_(dossier), device_(device), corrige_(corrige == Corrige::Avec),
          mm_(device.logicalDpiY() / 25.4), largeur_(device.width()),
          hauteurCorps_(device.height() - 10 * mm_) {}

    void Imprimer() {
        Composer();
        pages_ = Paginer(nullptr);
        QPainter p;
        if (!p.begin(&device_)) {
            throw EEchange(QStringLiteral("Impossible de commencer l'impression"));
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        Paginer(&p);
        p.end();
    }

private:
    qreal Mm(qreal n) const { return n * mm_; }

    // A text wrapped from x to the right margin, one piece per line.
    void Texte(Bloc& bloc, const QString& texte, const QFont& police, QColor couleur, qreal x) {
        const Paragraphe par(texte, police, largeur_ - x, device_);
        for (int i = 0; i < par.Nombre(); ++i) {
            bloc.push_back({par.Hauteur(i), [par, i, x, couleur, police](QPainter& p, qreal haut) {
                                p.setPen(couleur);
                                p.setFont(police);
                                par.Dessiner(p, i, QPointF(x, haut));
                            }});
        }
    }

    // A short text centred on the page, in one piece.
    void Centre(Bloc& bloc, const QString& texte, const QFont& police, QColor couleur) {
        constexpr int options = Qt::AlignHCenter | Qt::TextWordWrap;
        const QRectF r = QFontMetricsF(police, &device_)
                             .boundingRect(QRectF(0, 0, largeur_, hauteurCorps_), options, texte);
        bloc.push_back({r.height(), [this, texte, police, couleur](QPainter& p, qreal haut) {
                            p.setPen(couleur);
                            p.setFont(police);
                            p.drawText(QRectF(0, haut, largeur_, hauteurCorps_), options, texte);
                        }});
    }

    // Adds to the piece at index what draws over its own line.
    template <typename F> static void Ajouter(Bloc& bloc, std::size_t index, F dessus) {
        Piece& piece = bloc.at(index);
        piece.dessiner = [dessin = std::move(piece.dessiner), dessus](QPainter& p, qreal haut) {
            dessin(p, haut);
            dessus(p, haut);
        };
    }

    void Espace(Bloc& bloc, qreal mm) { bloc.push_back({Mm(mm), {}}); }

    void DessinerCase(QPainter& p, QRectF r, bool ronde, bool cochee) const {
        p.setPen(QPen(kNoir, Mm(0.3)));
        p.setBrush(Qt::NoBrush);
        if (ronde) {
            p.drawEllipse(r);
        } else {
            p.drawRect(r);
        }
        if (cochee) {
            QPainterPath coche;
            coche.moveTo(r.left() + r.width() * 0.15, r.top() + r.height() * 0.5);
            coche.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.8);
            coche.lineTo(r.left() + r.width() * 0.95, r.top() - r.height() * 0.1);
            p.setPen(QPen(kRouge, Mm(0.7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(coche);
        }
    }

    void Entete() {
        Bloc bloc;
        const QString titre = Nettoye(q_.Titre);
        if (!titre.isEmpty()) {
            Centre(bloc, titre, Police(18, true), kNoir);
        }
        const QString auteur = Nettoye(q_.Auteur);
        if (!auteur.isEmpty()) {
            Espace(bloc, 1);
            Centre(bloc, auteur, Police(11, false, true), kGris);
        }
        if (corrige_) {
            Espace(bloc, 2);
            Centre(bloc, QStringLiteral("Corrigé"), Police(14, true), kRouge);
        }
        Espace(bloc, 4);
        // The boxes' meaning, for the pupils.
        const QFont petite = Police(9);
        const QFontMetricsF fm(petite, &device_);
        bloc.push_back({fm.height(), [this, petite, fm](QPainter& p, qreal haut) {
                            const qreal c = Mm(3);
                            const qreal y = haut + (fm.height() - c) / 2;
                            const QString une = QStringLiteral("une seule réponse");
                            const QString plus = QStringLiteral("plusieurs réponses possibles");
                            DessinerCase(p, QRectF(0, y, c, c), true, false);
                            p.setFont(petite);
                            p.setPen(kGris);
                            p.drawText(QPointF(c + Mm(2), haut + fm.ascent()), une);
                            const qreal x = c + Mm(10) + fm.horizontalAdvance(une);
                            DessinerCase(p, QRectF(x, y, c, c), false, false);
                            p.drawText(QPointF(x + c + Mm(2), haut + fm.ascent()), plus);
                        }});
        Espace(bloc, 6);
        blocs_.push_back(std::move(bloc));
    }

    void Question(const detail::QuestionSortie& question, int numero) {
        Bloc bloc;
        const qreal retrait = Mm(8);
        const QFont enonce = Police(11, true);
        Texte(bloc, question.Enonce, enonce, kNoir, retrait);
        // The number hangs in the margin of the statement's first line.
        const qreal ascent = QFontMetricsF(enonce, &device_).ascent();
        Ajouter(bloc, 0, [enonce, ascent, numero](QPainter& p, qreal haut) {
            p.setFont(enonce);
            p.drawText(QPointF(0, haut + ascent), Numero(numero));
        });

        if (!question.Image.isEmpty()) {
            Espace(bloc, 2);
            const QSizeF boite(std::min(largeur_ - retrait, Mm(120)), Mm(80));
            const auto ill = std::make_shared<Illustration>(
                Illustrer(dossier_, question.Image, boite, device_.logicalDpiY()));
            if (ill->note.isEmpty()) {
                bloc.push_back({ill->taille.height(), [ill, retrait](QPainter& p, qreal haut) {
                                    const QRectF r(QPointF(retrait, haut), ill->taille);
                                    if (ill->vecteurs) {
                                        DessinerVecteurs(p, *ill->vecteurs, r);
                                    } else {
                                        p.drawImage(r, ill->image);
                                    }
                                }});
            } else {
                Texte(bloc, ill->note, Police(9, false, true), kGris, retrait);
            }
        }

        Espace(bloc, 2);
        const QFont police = Police(11);
        const qreal c = Mm(3.6);
        const qreal xTexte = retrait + c + Mm(3);
        for (const detail::Proposition& proposition : question.Propositions) {
            Espace(bloc, 1);
            const std::size_t premiere = bloc.size();
            Texte(bloc, proposition.Texte, police, kNoir, xTexte);
            const bool cochee = corrige_ && proposition.Juste;
            Ajouter(bloc, premiere,
                    [this, h = bloc.at(premiere).hauteur, c, retrait, cochee,
                     unique = question.Unique](QPainter& p, qreal haut) {
                        DessinerCase(p, QRectF(retrait, haut + (h - c) / 2, c, c), unique, cochee);
                    });
        }

        if (corrige_ && !question.Commentaire.isEmpty()) {
            Espace(bloc, 2);
            Texte(bloc, QStringLiteral("Commentaire : %1").arg(question.Commentaire),
                  Police(10, false, true), kGris, retrait);
        }
        Espace(bloc, 7);
        blocs_.push_back(std::move(bloc));
    }

    static void DessinerVecteurs(QPainter& p, ScaledPicture& image, const QRectF& r) {
        p.save();
        p.setClipRect(r);
        try {
            image.Picture().Draw(p, r.toRect());
        } catch (const std::exception&) {
            // The page keeps what was drawn; the rest of the print goes on.
        }
        p.restore();
    }

    void Composer() {
        Entete();
        int numero = 0;
        // Paper has nowhere to say what it leaves out; the note of a picture
        // that cannot be shown is printed in its place.
        QStringList pertes;
        for (const detail::QuestionSortie& question : detail::QuestionsSortie(q_, pertes)) {
            Question(question, ++numero);
        }
        if (numero == 0) {
            Bloc bloc;
            Texte(bloc, QStringLiteral("Aucune question n'a d'énoncé."), Police(11, false, true),
                  kGris, 0);
            blocs_.push_back(std::move(bloc));
        }
    }

    void PiedDePage(QPainter& p, int page) const {
        p.setFont(Police(9));
        p.setPen(kGris);
        p.drawText(QRectF(0, device_.height() - Mm(6), largeur_, Mm(6)),
                   Qt::AlignHCenter | Qt::AlignBottom,
                   QStringLiteral("Page %1 sur %2").arg(page).arg(pages_));
    }

    // Places the blocks on pages, painting when p is given; returns the
    // number of pages.
    int Paginer(QPainter* p) {
        int page = 1;
        qreal y = 0;
        auto nouvellePage = [&] {
            if (p != nullptr) {
                PiedDePage(*p, page);
                device_.newPage();
            }
            ++page;
            y = 0;
        };
        for (const Bloc& bloc : blocs_) {
            qreal total = 0;
            for (const Piece& piece : bloc) {
                total += piece.hauteur;
            }
            if (y > 0 && y + total > hauteurCorps_ && total <= hauteurCorps_) {
                nouvellePage();
            }
            for (const Piece& piece : bloc) {
                if (piece.Espace()) {
                    if (y > 0) {
                        y += piece.hauteur;
                    }
                    continue;
                }
                if (y > 0 && y + piece.hauteur > hauteurCorps_) {
                    nouvellePage();
                }
                if (p != nullptr) {
                    piece.dessiner(*p, y);
                }
                y += piece.hauteur;
            }
        }
        if (p != nullptr) {
            PiedDePage(*p, page);
        }
        return page;
    }

    const TQuestionnaire& q_;
    const QString& dossier_;
    QPagedPaintDevice& device_;
    const bool corrige_;
    const qreal mm_;
    const qreal largeur_;
    // The page's height less the footer's.
    const qreal hauteurCorps_;
    std::vector<Bloc> blocs_;
    int pages_ = 1;
};

} // namespace

void MettreEnPageA4(QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 15, 18, 12), QPageLayout::Millimeter));
}

void Imprimer(const TQuestionnaire& q, const QString& dossier, QPagedPaintDevice& device,
              Corrige corrige) {
    Mise(q, dossier, device, corrige).Imprimer();
}

QByteArray ImprimerPdf(const TQuestionnaire& q, const QString& dossier, Corrige corrige) {
    QByteArray octets;
    {
        QBuffer tampon(&octets);
        tampon.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&tampon);
        pdf.setResolution(300);
        pdf.setTitle(Nettoye(q.Titre));
        pdf.setCreator(QStringLiteral("QCM"));
        MettreEnPageA4(pdf);
        Imprimer(q, dossier, pdf, corrige);
    }
    return octets;
}

void ImprimerVers(const TQuestionnaire& q, const QString& dossier, Corrige corrige,
                  const QString& fichier) {
    VerifierDestination(fichier, q, dossier);
    EcrireSortie(fichier, ImprimerPdf(q, dossier, corrige), {}, q, dossier);
}

} // namespace qcm::exchange
