// Faults seen by teachers, each kept from coming back.
#include "Editeur.h"

#include <QMessageBox>

using namespace qcm;
using namespace qcm::test;

namespace {

// Runs the real box; geste acts on it once its modal loop is running.
Reponse MontrerReelle(platform::Boutons boutons, const std::function<void(QMessageBox&)>& geste) {
    QMetaObject::invokeMethod(
        qApp,
        [geste] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            geste(*box);
        },
        Qt::QueuedConnection);
    return platform::boites().Montrer(QStringLiteral("Sauvegarder ?"), QStringLiteral("SORTIE"),
                                      boutons, platform::Icone::Question);
}

void Echap(QMessageBox& box) {
    QTest::keyClick(box.focusWidget() != nullptr ? box.focusWidget() : &box, Qt::Key_Escape);
}

} // namespace

TEST(BoitesQt, EscapeOrCloseAtSaveBeforeLeavingDoesNotThrowTheWorkAway) {
    bool ouverte = false;
    const Reponse r = MontrerReelle(platform::Boutons::OuiNon, [&](QMessageBox& box) {
        Echap(box);
        box.close();
        ouverte = box.isVisible();
        QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
    });
    EXPECT_TRUE(ouverte);
    EXPECT_EQ(r, Reponse::Oui);
    // Boxes with a way out keep Escape as that way out.
    EXPECT_EQ(MontrerReelle(platform::Boutons::OkAnnuler, Echap), Reponse::Annuler);
    EXPECT_EQ(MontrerReelle(platform::Boutons::Ok, Echap), Reponse::Ok);
}
