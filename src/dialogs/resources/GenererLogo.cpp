// Draws the about box's animated logo and writes it as a GIF file: a card
// with "QCM" whose letters change shade while three answers get ticked one
// after the other. Shapes only, no fonts and no antialiasing, so the file is
// the same on every machine.
#include "GifTestEncoder.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kLargeur = 102;
constexpr int kHauteur = 59;
// The frames after the first cover this rectangle only.
const QRect kZone(2, 2, 97, 55);
constexpr int kImages = 30;
constexpr int kCouleurs = 128;
constexpr int kTransparent = 74;
// Stands for "see-through" while drawing; never shown.
const QColor kCle(255, 0, 255);

const QColor kCarte(250, 246, 222);
const QColor kBord(0, 0, 128);
const QColor kOmbre(150, 140, 100);
const QColor kCase(0, 0, 255);
const QColor kTrait(90, 90, 120);
const QColor kRouge(220, 0, 0);

// Letters go from navy to a light blue and back once a pass.
QColor Teinte(int image) {
    const double t = (1.0 - std::cos(2.0 * M_PI * image / kImages)) / 2.0;
    return {static_cast<int>(std::lround(20 + 60 * t)), static_cast<int>(std::lround(20 + 120 * t)),
            static_cast<int>(std::lround(128 + 110 * t))};
}

QPen Trait(const QColor& c, int largeur) {
    return QPen(c, largeur, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// The part `fraction` (0 to 1) of the polyline, from its start.
void Debut(QPainter& p, const std::vector<QPointF>& points, double fraction) {
    double total = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        total += QLineF(points[i - 1], points[i]).length();
    }
    double reste = total * fraction;
    for (std::size_t i = 1; i < points.size() && reste > 0; ++i) {
        QLineF segment(points[i - 1], points[i]);
        if (segment.length() > reste) {
            segment.setLength(reste);
        }
        reste -= segment.length();
        p.drawLine(segment);
    }
}

// The whole picture at step `image` (0 to kImages).
QImage Dessin(int image) {
    QImage img(kLargeur, kHauteur, QImage::Format_RGB32);
    img.fill(kCle);
    QPainter p(&img);
    // The card with its navy edge; the corners and the column past the
    // shadow stay see-through.
    p.fillRect(QRect(3, 3, 99, 56), kOmbre);
    p.fillRect(QRect(0, 0, 100, 57), kBord);
    p.fillRect(QRect(2, 2, 96, 53), kCarte);
    for (const QPoint c : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 56)}) {
        img.setPixel(c, kCle.rgb());
    }
    img.setPixel(101, 3, kCle.rgb());
    img.setPixel(3, 58, kCle.rgb());

    // "QCM".
    p.setPen(Trait(Teinte(image % kImages), 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(8, 10, 16, 22));
    p.drawLine(18, 28, 24, 34);
    p.drawArc(QRect(28, 10, 16, 22), 40 * 16, 280 * 16);
    p.drawPolyline(
        QPolygon({QPoint(49, 32), QPoint(49, 10), QPoint(55, 24), QPoint(61, 10), QPoint(61, 32)}));
    p.setPen(Trait(kRouge, 2));
    p.drawLine(8, 42, 61, 42);

    // Three answers, ticked in turn.
    for (int i = 0; i < 3; ++i) {
        const int y = 9 + 14 * i;
        p.setPen(Trait(kCase, 1));
        p.setBrush(Qt::white);
        p.drawRect(69, y, 8, 8);
        p.setPen(Trait(kTrait, 2));
        p.drawLine(82, y + 4, 93, y + 4);
        const double fraction = std::clamp((image - 10.0 * i) / 8.0, 0.0, 1.0);
        if (fraction > 0) {
            p.setPen(Trait(kRouge, 2));
            Debut(p, {QPointF(70, y + 3), QPointF(73, y + 7), QPointF(79, y - 3)}, fraction);
        }
    }
    return img;
}

// Hundredths of a second for the later frames, j from 0: 3, 3, 3, 4, then
// 3, 3, 4 eight times, then 3, 3.
int Delai(int j) {
    if (j <= 3) {
        return j == 3 ? 4 : 3;
    }
    if (j <= 27) {
        return (j - 4) % 3 == 2 ? 4 : 3;
    }
    return 3;
}

class Palette {
public:
    Palette() { index_[kCle.rgb()] = kTransparent; }
    std::uint8_t Index(QRgb c) {
        const auto it = index_.find(c);
        if (it != index_.end()) {
            return it->second;
        }
        if (suivant_ == kTransparent) {
            ++suivant_;
        }
        if (suivant_ >= kCouleurs) {
            std::fprintf(stderr, "more than %d colours\n", kCouleurs);
            std::exit(1);
        }
        index_[c] = suivant_;
        return static_cast<std::uint8_t>(suivant_++);
    }
    // The whole map; entries nobody uses are a grey ramp.
    std::vector<QRgb> Couleurs() const {
        std::vector<QRgb> out(kCouleurs);
        for (int i = 0; i < kCouleurs; ++i) {
            out[i] = qRgb(i * 2, i * 2, i * 2);
        }
        for (const auto& [c, i] : index_) {
            out[i] = c;
        }
        return out;
    }

private:
    std::map<QRgb, int> index_;
    int suivant_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.gif\n", argv[0]);
        return 2;
    }
    std::vector<QImage> dessins;
    for (int i = 0; i <= kImages; ++i) {
        dessins.push_back(Dessin(i));
    }
    // The first frame whole; each later one gives only the pixels that
    // change, the others see-through so the previous frame shows.
    Palette palette;
    std::vector<std::vector<std::uint8_t>> images;
    for (int i = 0; i <= kImages; ++i) {
        const QRect zone = i == 0 ? QRect(0, 0, kLargeur, kHauteur) : kZone;
        std::vector<std::uint8_t> pixels;
        for (int y = zone.top(); y <= zone.bottom(); ++y) {
            for (int x = zone.left(); x <= zone.right(); ++x) {
                const QRgb c = dessins[i].pixel(x, y);
                const bool pareil = i > 0 && dessins[i - 1].pixel(x, y) == c;
                pixels.push_back(pareil ? kTransparent : palette.Index(c));
            }
        }
        images.push_back(std::move(pixels));
    }

    qcm::test::GifBuilder gif;
    gif.Header(kLargeur, kHauteur, palette.Couleurs(), kTransparent).Loop(0);
    for (int i = 0; i <= kImages; ++i) {
        const QRect zone = i == 0 ? QRect(0, 0, kLargeur, kHauteur) : kZone;
        gif.Gce(1, i == 0 ? 0 : Delai(i - 1), kTransparent)
            .Image(zone.x(), zone.y(), zone.width(), zone.height(), images[i], 7);
    }
    gif.Trailer();

    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(gif.bytes) != gif.bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
