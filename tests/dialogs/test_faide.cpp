// The about box: its unscrambled texts, its logo, and the ways out of it.
#include "../editor/Editeur.h"
#include "dialogs/Codage.h"
#include "dialogs/FaideTextes.h"
#include "dialogs/resources/Logo.h"
#include "pictures/GifPainter.h"
#include "platform/Navigateur.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <numeric>

using namespace qcm::test;
using namespace qcm::pictures;
namespace codage = qcm::dialogs::codage;

namespace {

QByteArray Octets(std::initializer_list<int> valeurs) {
    QByteArray out;
    for (const int v : valeurs) {
        out.append(static_cast<char>(v));
    }
    return out;
}

} // namespace

TEST(Codage, UnscramblesByteByByteModulo256WithTheKeyStartingOver) {
    struct Cas {
        const char* nom;
        QByteArray cle;
        QByteArray donnees;
        QByteArray attendu;
    };
    const Cas cas[] = {
        {"empty data", "clef", "", ""},
        {"empty data, empty key", "", "", ""},
        {"empty key", "", "texte", "texte"},
        {"key starts over", "ab", Octets({'a' + 1, 'b' + 2, 'a' + 3}), Octets({1, 2, 3})},
        {"one below the key", "b", Octets({'b' - 1}), Octets({255})},
        {"equal to the key", "b", "b", Octets({0})},
        {"wraps past 255", "z", Octets({('z' + 'A') % 256}), "A"},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(codage::Decoder(c.cle, c.donnees), c.attendu) << c.nom;
        if (!c.cle.isEmpty()) {
            EXPECT_EQ(codage::Coder(c.cle, c.attendu), c.donnees) << c.nom;
        }
    }
}

TEST(Faide, EightLinesTheSecondAndLastEmptyAndAContactToTheGuide) {
    using namespace qcm::dialogs;
    EXPECT_EQ(textes::kCle.size(), 9u);
    for (const char c : textes::kCle) {
        EXPECT_TRUE(c >= 'a' && c <= 'z');
    }
    TFaide faide;
    const QTextDocument& doc = *faide.Memo1->document();
    ASSERT_EQ(doc.blockCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(doc.findBlockByNumber(i).text().isEmpty(), i == 1 || i == 7) << i;
    }
    EXPECT_TRUE(doc.toPlainText().contains(QStringLiteral("QCM")));
    EXPECT_FALSE(faide.Contact->text().isEmpty());
    const QUrl lien = TFaide::Lien();
    EXPECT_TRUE(lien.isLocalFile());
    EXPECT_TRUE(lien.path().endsWith(QStringLiteral("/share/doc/qcm/README.md")))
        << lien.path().toStdString();
}

TEST(Faide, LogoIsTheAnimatedGifOfTheBox) {
    TGIFImage logo;
    logo.LoadFromBytes(qcm::dialogs::logo::Octets());
    ASSERT_EQ(logo.FrameCount(), 31);
    EXPECT_EQ(logo.Width(), 102);
    EXPECT_EQ(logo.Height(), 59);
    EXPECT_EQ(logo.Header().ColorMap.Count(), 128);
    const TGIFAppExtNSLoop* boucle = nullptr;
    for (const auto& e : logo.Frame(0).Extensions) {
        if (const auto* b = dynamic_cast<const TGIFAppExtNSLoop*>(e.get())) {
            boucle = b;
        }
    }
    ASSERT_NE(boucle, nullptr);
    EXPECT_EQ(boucle->Loops, 0);

    std::vector<int> delais;
    for (int i = 0; i < logo.FrameCount(); ++i) {
        const TGIFSubImage& f = logo.Frame(i);
        ASSERT_NE(f.GraphicControlExtension, nullptr) << i;
        EXPECT_EQ(f.GraphicControlExtension->Disposal(), 1) << i;
        EXPECT_EQ(f.TransparentIndex(), 74) << i;
        const QRect attendu = i == 0 ? QRect(0, 0, 102, 59) : QRect(2, 2, 97, 55);
        EXPECT_EQ(f.BoundsRect(), attendu) << i;
        delais.push_back(f.GraphicControlExtension->Delay);
    }
    std::vector<int> attendus = {0, 3, 3, 3, 4};
    for (int i = 0; i < 8; ++i) {
        attendus.insert(attendus.end(), {3, 3, 4});
    }
    attendus.insert(attendus.end(), {3, 3});
    EXPECT_EQ(delais, attendus);

    // One pass: from the first composition to the first of the next pass.
    TManualClock horloge;
    std::vector<std::int64_t> attentes;
    PlayFrames(logo, horloge, 2, [&](const QImage&, std::int64_t ms) { attentes.push_back(ms); });
    ASSERT_EQ(attentes.size(), 62u);
    EXPECT_EQ(std::accumulate(attentes.begin() + 1, attentes.begin() + 32, std::int64_t{0}), 1308);
}

TEST(Faide, QuitterReturnsToTheCaller) {
    qcm::platform::ExecuteurScripte modal;
    TFaide faide;
    modal.Ajouter(
        [](QDialog& d) { QTest::mouseClick(dynamic_cast<TFaide&>(d).BitBtn1, Qt::LeftButton); });
    EXPECT_EQ(qcm::platform::ExecuterModal(faide), QDialog::Accepted);
    EXPECT_EQ(modal.Restantes(), 0u);
}

TEST(Faide, ContactOpensTheGuideFromTheBuildTreeAndEndsOnlyWhenItIsOpen) {
    QFile readme(QStringLiteral(QCM_TEST_DATA_DIR "/../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QByteArray guide = readme.readAll();
    // No guide installed beside the test program: the one it carries.
    ASSERT_FALSE(QFileInfo::exists(TFaide::Lien().toLocalFile()));
    for (const bool ouvert : {true, false}) {
        Editeur e;
        e.Creer();
        qcm::platform::NavigateurScripte navigateur;
        navigateur.reussite = ouvert;
        int fins = 0;
        e.faide->Terminer = [&] { ++fins; };
        e.modal.Ajouter(Annuler());
        e.modal.Ajouter([](QDialog& d) {
            QTest::mouseClick(dynamic_cast<TFaide&>(d).Contact, Qt::LeftButton);
        });
        e.depart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(e.depart.get()));
        Editeur::Attendre();
        EXPECT_EQ(e.modal.montres, (std::vector<QString>{"ChoixQCM", "Faide"}));
        ASSERT_EQ(navigateur.ouverts.size(), 1U);
        QFile ouvre(navigateur.ouverts[0]);
        ASSERT_TRUE(ouvre.open(QIODevice::ReadOnly)) << ouvert;
        EXPECT_EQ(ouvre.readAll(), guide);
        EXPECT_EQ(fins, ouvert ? 1 : 0);
        // Nothing opened it: said in French, with the place of the guide.
        ASSERT_EQ(e.boites.montrees.size(), ouvert ? 0U : 1U);
        if (!ouvert) {
            EXPECT_TRUE(e.boites.montrees[0].texte.startsWith(
                QStringLiteral("Aucun programme n'a pu ouvrir le guide")));
            EXPECT_TRUE(e.boites.montrees[0].texte.contains(navigateur.ouverts[0]));
        }
    }
}
