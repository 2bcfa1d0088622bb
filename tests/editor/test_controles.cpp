// The controls' own rules and the application's error handler.
#include "core/Errors.h"
#include "editor/Controles.h"
#include "platform/DialogueFichier.h"
#include "platform/Garde.h"
#include "platform/MessageBoxes.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::editor;

TEST(TexteEnregistrable, KeepsWhatTheFileCanHold) {
    const struct {
        QString entree;
        QString sortie;
    } cas[] = {
        {"Rome", "Rome"},
        {"a\r\nb", "a b"},
        {"a\nb\rc", "a b c"},
        {"a\r\n\r\nb", "a  b"},
        {QStringLiteral("x\u2029y"), "x y"},
        {"tab\there", "tab\there"},
        {"ctrl\x1aZ", "ctrlZ"},
        {QStringLiteral("\u20ac \u0153 \u00e9"), QStringLiteral("\u20ac \u0153 \u00e9")},
        {QStringLiteral("chinois \u4e2d"), "chinois "},
        {QStringLiteral("\u00a0nbsp"), QStringLiteral("\u00a0nbsp")},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(TexteEnregistrable(c.entree), c.sortie) << c.entree.toStdString();
    }
}

TEST(ChampTexte, ChangeSignalOnlyWhenTheTextChanges) {
    ChampTexte champ;
    QSignalSpy changes(&champ, &ChampTexte::TexteChange);
    champ.SetTexte(QStringLiteral("a"));
    champ.SetTexte(QStringLiteral("a"));
    EXPECT_EQ(changes.count(), 1);
    champ.ViderSansSignal();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(champ.Texte().isEmpty());
    champ.SetTexte(QString());
    EXPECT_EQ(changes.count(), 1);
    // A non-breaking space read from a file stays one.
    champ.SetTexte(QStringLiteral("a\u00a0b"));
    EXPECT_EQ(champ.Texte(), QStringLiteral("a\u00a0b"));
}

TEST(ChampLigne, SameTextRunsNoChangeAndLengthIsNotCut) {
    ChampLigne champ;
    QSignalSpy changes(&champ, &QLineEdit::textChanged);
    champ.setText(QStringLiteral("titre"));
    champ.setText(QStringLiteral("titre"));
    EXPECT_EQ(changes.count(), 1);
    const QString long_(40000, QLatin1Char('x'));
    champ.setText(long_);
    EXPECT_EQ(champ.text(), long_);
}

TEST(Garde, EveryFailureIsShownUnderTheApplicationTitle) {
    platform::BoitesScriptees boites;
    EXPECT_FALSE(platform::Proteger([] { throw EInOutError(EInOutError::FileNotFound); }));
    EXPECT_FALSE(platform::Proteger([] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(platform::Proteger([] { throw 42; }));
    EXPECT_TRUE(platform::Proteger([] {}));
    ASSERT_EQ(boites.montrees.size(), 3U);
    EXPECT_EQ(boites.montrees[0].texte, QStringLiteral("Fichier introuvable"));
    EXPECT_EQ(boites.montrees[1].texte, QStringLiteral("boom"));
    for (const auto& b : boites.montrees) {
        EXPECT_EQ(b.titre, QStringLiteral("QCM"));
        EXPECT_EQ(b.boutons, platform::Boutons::Ok);
    }
}

TEST(DialogueFichier, FiltersAsTheEditorWritesThem) {
    EXPECT_EQ(platform::FiltresQt(QStringLiteral("Bitmaps (*.bmp)|*.bmp")),
              QStringList{QStringLiteral("Bitmaps (*.bmp) (*.bmp)")});
    EXPECT_EQ(platform::FiltresQt(QStringLiteral("Tout (*.gif;*.jpg)|*.gif;*.jpg|MIDI|*.mid")),
              (QStringList{QStringLiteral("Tout (*.gif;*.jpg) (*.gif *.jpg)"),
                           QStringLiteral("MIDI (*.mid)")}));
    EXPECT_TRUE(platform::FiltresQt(QString()).isEmpty());
}

TEST(Echelle, GlyphsAndStripCellsStayPixelExactOnAScaledScreen) {
    QImage glyphe(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            glyphe.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        }
    }
    BoutonGlyphe bouton;
    bouton.resize(24, 22);
    bouton.SetGlyphe(glyphe);
    CaseBande cellule;
    cellule.resize(10, 10);
    cellule.SetCouleur(QColor(255, 255, 0));
    const QRgb fond = qRgb(0, 128, 0);
    const struct {
        QWidget* controle;
        std::vector<QRgb> couleurs;
    } cas[] = {
        {&bouton, {fond, qRgb(255, 0, 0), qRgb(0, 0, 255)}},
        {&cellule, {qRgb(255, 255, 0), qRgb(0, 0, 0)}},
    };
    for (const auto& c : cas) {
        QImage ecran(c.controle->width() * 9 / 4, c.controle->height() * 9 / 4,
                     QImage::Format_RGB32);
        ecran.setDevicePixelRatio(2.25);
        ecran.fill(fond);
        c.controle->render(&ecran, {}, {}, QWidget::DrawChildren);
        for (int y = 0; y < ecran.height(); ++y) {
            for (int x = 0; x < ecran.width(); ++x) {
                ASSERT_NE(std::find(c.couleurs.begin(), c.couleurs.end(), ecran.pixel(x, y)),
                          c.couleurs.end())
                    << c.controle->metaObject()->className() << " " << x << "," << y;
            }
        }
    }
}
