// Draws the program's glyphs, cursor, icon and the chooser's picture as PNG
// files into the folder given on the command line. Shapes only, no fonts and
// no antialiasing, so the output is the same on every machine.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// Ground of glyphs that have none of their own; the bottom-left pixel of
// every glyph is drawn transparent by the buttons.
const QColor kCle(255, 0, 255);
const QColor kBleu(0, 0, 255);
const QColor kMarine(0, 0, 128);
const QColor kRouge(255, 0, 0);
const QColor kVert(0, 128, 0);
const QColor kJaune(255, 255, 0);
const QColor kGris(128, 128, 128);
const QColor kGrisClair(192, 192, 192);

QImage Fond(int w, int h, const QColor& c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QPen Trait(const QColor& c, qreal largeur) {
    return QPen(c, largeur, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

void Polyligne(QPainter& p, std::initializer_list<QPoint> points) {
    const std::vector<QPoint> v(points);
    p.drawPolyline(v.data(), static_cast<int>(v.size()));
}

// Digits and letters as strokes in a 6 x 10 box whose top-left is o.
void Chiffre(QPainter& p, char c, QPoint o) {
    auto pt = [o](int x, int y) { return o + QPoint(x, y); };
    switch (c) {
    case '1':
        Polyligne(p, {pt(1, 2), pt(3, 0), pt(3, 10)});
        break;
    case '2':
        Polyligne(p, {pt(0, 1), pt(1, 0), pt(5, 0), pt(6, 1), pt(6, 4), pt(0, 10), pt(6, 10)});
        break;
    case '3':
        Polyligne(p, {pt(0, 0), pt(6, 0), pt(6, 10), pt(0, 10)});
        Polyligne(p, {pt(2, 5), pt(6, 5)});
        break;
    case '4':
        Polyligne(p, {pt(5, 10), pt(5, 0), pt(0, 7), pt(6, 7)});
        break;
    case '6':
        Polyligne(p, {pt(6, 0), pt(0, 0), pt(0, 10), pt(6, 10), pt(6, 5), pt(0, 5)});
        break;
    case '7':
        Polyligne(p, {pt(0, 0), pt(6, 0), pt(2, 10)});
        break;
    case 'F':
        Polyligne(p, {pt(6, 0), pt(0, 0), pt(0, 12)});
        Polyligne(p, {pt(0, 6), pt(4, 6)});
        break;
    case 'I':
        Polyligne(p, {pt(2, 0), pt(2, 12)});
        break;
    case 'N':
        Polyligne(p, {pt(0, 12), pt(0, 0), pt(6, 12), pt(6, 0)});
        break;
    default:
        break;
    }
}

void Anneau(QPainter& p, QPoint centre, int rayon, int largeur) {
    p.setBrush(Qt::NoBrush);
    p.setPen(Trait(kBleu, largeur));
    p.drawEllipse(centre, rayon, rayon);
}

void Croix(QPainter& p, QPoint centre, int demi, int largeur) {
    p.setPen(Trait(kRouge, largeur));
    p.drawLine(centre + QPoint(-demi, -demi), centre + QPoint(demi, demi));
    p.drawLine(centre + QPoint(-demi, demi), centre + QPoint(demi, -demi));
}

QImage Cocheoff() {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    Anneau(p, {15, 15}, 10, 3);
    return img;
}

QImage Cocheon() {
    QImage img = Cocheoff();
    QPainter p(&img);
    Croix(p, {15, 15}, 9, 3);
    return img;
}

QImage Iplus() {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    for (const QPoint c : {QPoint(8, 8), QPoint(21, 8), QPoint(15, 20)}) {
        Anneau(p, c, 6, 2);
        Croix(p, c, 5, 2);
    }
    return img;
}

QImage Chiffres(const char* texte, const QColor& couleur, std::initializer_list<QPoint> places) {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    p.setPen(Trait(couleur, 2));
    const char* c = texte;
    for (const QPoint o : places) {
        Chiffre(p, *c++, o);
    }
    return img;
}

void Note(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kMarine);
    p.drawEllipse(QPoint(10, 22), 5, 4);
    p.setPen(Trait(kMarine, 2));
    p.drawLine(14, 22, 14, 5);
    Polyligne(p, {QPoint(14, 5), QPoint(21, 10), QPoint(21, 14)});
}

QImage SonOn() {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    Note(p);
    return img;
}

QImage SonOff() {
    QImage img = SonOn();
    QPainter p(&img);
    p.setPen(Trait(kRouge, 3));
    p.drawLine(4, 4, 26, 26);
    return img;
}

QImage Nouveau() {
    QImage img = Fond(30, 30, kRouge);
    QPainter p(&img);
    p.setPen(Trait(Qt::black, 1));
    p.setBrush(Qt::white);
    const QPoint feuille[] = {{7, 3}, {18, 3}, {23, 8}, {23, 26}, {7, 26}};
    p.drawPolygon(feuille, 5);
    p.setBrush(kGrisClair);
    const QPoint coin[] = {{18, 3}, {18, 8}, {23, 8}};
    p.drawPolygon(coin, 3);
    return img;
}

QImage Charger() {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    p.setPen(Trait(Qt::black, 1));
    p.setBrush(QColor(192, 160, 0));
    const QPoint dos[] = {{2, 9}, {9, 9}, {11, 12}, {22, 12}, {22, 26}, {2, 26}};
    p.drawPolygon(dos, 6);
    p.setBrush(kJaune);
    const QPoint volet[] = {{6, 16}, {28, 16}, {23, 26}, {2, 26}};
    p.drawPolygon(volet, 4);
    // The curved arrow out of the folder.
    p.setBrush(Qt::NoBrush);
    p.setPen(Trait(kVert, 2));
    QPainterPath arc;
    arc.moveTo(14, 13);
    arc.quadTo(16, 3, 25, 4);
    p.drawPath(arc);
    p.setPen(Trait(kVert, 1));
    p.setBrush(kVert);
    const QPoint pointe[] = {{25, 1}, {29, 4}, {25, 7}};
    p.drawPolygon(pointe, 3);
    return img;
}

QImage Sauver() {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    p.setPen(Trait(Qt::black, 1));
    p.setBrush(kBleu);
    const QPoint disque[] = {{3, 3}, {24, 3}, {27, 6}, {27, 27}, {3, 27}};
    p.drawPolygon(disque, 5);
    p.setBrush(Qt::white);
    p.drawRect(7, 3, 15, 9);
    p.setBrush(kGrisClair);
    p.drawRect(8, 18, 14, 9);
    p.setBrush(kMarine);
    p.drawRect(17, 4, 3, 6);
    return img;
}

QImage ChargeImage() {
    QImage img = Fond(29, 29, kCle);
    QPainter p(&img);
    p.setPen(Trait(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(2, 4, 25, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 192, 255));
    p.drawRect(4, 6, 22, 17);
    p.setBrush(kJaune);
    p.drawEllipse(QPoint(20, 10), 3, 3);
    p.setBrush(kVert);
    const QPoint colline[] = {{4, 23}, {4, 17}, {10, 11}, {17, 18}, {21, 15}, {26, 20}, {26, 23}};
    p.drawPolygon(colline, 7);
    return img;
}

QImage Changefond() {
    QImage img = Fond(30, 30, kCle);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(kBleu);
    p.drawRect(2, 2, 26, 26);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            p.setBrush((i + j) % 2 == 0 ? kGris : QColor(Qt::white));
            p.drawRect(5 + 7 * i, 5 + 7 * j, 6, 6);
        }
    }
    return img;
}

QImage Fleche(bool droite) {
    QImage img = Fond(30, 30, kBleu);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    auto triangle = [&](QPoint d, const QColor& c) {
        p.setBrush(c);
        const QPoint t[] = {d + QPoint(6, 4), d + QPoint(22, 13), d + QPoint(6, 22)};
        if (droite) {
            p.drawPolygon(t, 3);
        } else {
            const QPoint m[] = {d + QPoint(22, 4), d + QPoint(6, 13), d + QPoint(22, 22)};
            p.drawPolygon(m, 3);
        }
    };
    triangle({2, 2}, Qt::black);
    triangle({0, 0}, kJaune);
    return img;
}

// The four states of Fin side by side: up, disabled, pressed, held down.
QImage Fin() {
    QImage img = Fond(120, 30, kBleu);
    QPainter p(&img);
    const struct {
        int x;
        QColor contour;
        QColor lettres;
        int decalage;
    } etats[] = {{0, Qt::white, kRouge, 0},
                 {30, kGrisClair, kGris, 0},
                 {60, Qt::white, kRouge, 1},
                 {90, Qt::white, QColor(192, 0, 0), 1}};
    for (const auto& e : etats) {
        const QPoint o(e.x + 3 + e.decalage, 9 + e.decalage);
        for (const auto& [couleur, largeur] : {std::pair{e.contour, 4}, std::pair{e.lettres, 2}}) {
            p.setPen(Trait(couleur, largeur));
            Chiffre(p, 'F', o);
            Chiffre(p, 'I', o + QPoint(8, 0));
            Chiffre(p, 'N', o + QPoint(15, 0));
        }
    }
    return img;
}

// A white hand outlined in black, index finger up, its tip at (11, 9).
QImage Doigt() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(Trait(Qt::black, 1));
    p.setBrush(Qt::white);
    const QPoint main[] = {{9, 10},  {10, 8},  {12, 8},  {13, 10}, {13, 16}, {15, 15}, {17, 16},
                           {18, 17}, {20, 16}, {22, 17}, {23, 18}, {25, 18}, {26, 20}, {26, 25},
                           {24, 29}, {13, 29}, {8, 24},  {5, 20},  {5, 18},  {7, 18},  {9, 20}};
    p.drawPolygon(main, static_cast<int>(std::size(main)));
    p.drawLine(17, 16, 17, 20);
    p.drawLine(22, 17, 22, 21);
    return img;
}

// Drawn on a 32 x 32 grid, scaled to taille pixels.
QImage Icone(int taille = 32) {
    QImage img(taille, taille, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(taille / 32.0, taille / 32.0);
    p.setPen(Trait(kRouge, 3));
    p.setBrush(Qt::white);
    const QPoint t[] = {{16, 2}, {30, 29}, {2, 29}};
    p.drawPolygon(t, 3);
    p.setPen(Trait(Qt::black, 2));
    Polyligne(p, {QPoint(12, 13), QPoint(13, 11), QPoint(19, 11), QPoint(20, 13), QPoint(20, 15),
                  QPoint(16, 18), QPoint(16, 21)});
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(15, 23, 3, 3);
    return img;
}

// The chooser's picture: a sheet with three ticked lines.
QImage Choix() {
    QImage img(41, 43, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(Trait(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(4, 2, 32, 39);
    for (int i = 0; i < 3; ++i) {
        const int y = 10 + 11 * i;
        p.setPen(Trait(kBleu, 2));
        p.drawRect(8, y - 3, 6, 6);
        p.setPen(Trait(kMarine, 2));
        p.drawLine(18, y, 32, y);
        if (i != 1) {
            p.setPen(Trait(kRouge, 2));
            Polyligne(p, {QPoint(8, y - 1), QPoint(11, y + 3), QPoint(16, y - 6)});
        }
    }
    return img;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dossier(QString::fromLocal8Bit(argv[1]));
    const std::vector<std::pair<const char*, std::function<QImage()>>> glyphes = {
        {"Cocheon", Cocheon},
        {"Cocheoff", Cocheoff},
        {"Iune", Cocheon},
        {"Iplus", Iplus},
        {"ordre",
         [] {
             return Chiffres("123", kVert, {{2, 17}, {11, 10}, {20, 3}});
         }},
        {"desordre",
         [] {
             return Chiffres("647", kRouge, {{2, 6}, {11, 16}, {20, 9}});
         }},
        {"SonOn", SonOn},
        {"Sonoff", SonOff},
        {"NouveauQ", Nouveau},
        {"Charger", Charger},
        {"Sauver", Sauver},
        {"ChargeImage", ChargeImage},
        {"Changefond", Changefond},
        {"FG", [] { return Fleche(false); }},
        {"FD", [] { return Fleche(true); }},
        {"Fin", Fin},
        {"DOIGT", Doigt},
        {"MAINICON", [] { return Icone(); }},
        {"choix", Choix},
    };
    // The desktop's icon sizes.
    std::vector<std::pair<std::string, std::function<QImage()>>> images(glyphes.begin(),
                                                                        glyphes.end());
    for (const int taille : {16, 24, 32, 48, 64, 128, 256}) {
        images.emplace_back("MAINICON-" + std::to_string(taille),
                            [taille] { return Icone(taille); });
    }
    for (const auto& [nom, dessin] : images) {
        const QString path = dossier.filePath(QString::fromStdString(nom) + QStringLiteral(".png"));
        if (!dessin().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
