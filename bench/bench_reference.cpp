// The least a Qt Widgets program does to paint one dialog: the reference
// for the editor's start-up.
#include "bench_startup_common.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialogue;
    dialogue.setFixedSize(336, 263);
    auto* titre = new QLabel(QStringLiteral("Choix"), &dialogue);
    titre->setGeometry(56, 16, 273, 25);
    auto* liste = new QListWidget(&dialogue);
    liste->setGeometry(8, 56, 321, 145);
    auto* bouton = new QPushButton(QStringLiteral("OK"), &dialogue);
    bouton->setGeometry(16, 216, 81, 33);
    MesurePeinture mesure;
    dialogue.installEventFilter(&mesure);
    dialogue.show();
    return QApplication::exec();
}
