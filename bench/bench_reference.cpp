// The reference for the editor's start-up: the least a Qt Widgets program
// does to show what the editor shows at start, at the scale it is given
// (QT_SCALE_FACTOR): a black backdrop over the whole screen that the X
// server paints, a 640 x 480 window and a chooser-sized dialog over it.
#include "bench_startup_common.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <xcb/xcb.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWindow fond;
    fond.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    fond.setGeometry(QGuiApplication::primaryScreen()->geometry());
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* c = x11->connection();
        const uint32_t noir = xcb_setup_roots_iterator(xcb_get_setup(c)).data->black_pixel;
        xcb_change_window_attributes(c, static_cast<xcb_window_t>(fond.winId()), XCB_CW_BACK_PIXEL,
                                     &noir);
    }
    fond.setWindowStates(Qt::WindowFullScreen);
    fond.show();

    QWidget fenetre(nullptr, Qt::FramelessWindowHint);
    fenetre.setFixedSize(640, 480);
    fenetre.setAutoFillBackground(true);
    QPalette bleu = fenetre.palette();
    bleu.setColor(QPalette::Window, QColor(0, 0, 128));
    fenetre.setPalette(bleu);
    const QRect ecran = QGuiApplication::primaryScreen()->geometry();
    fenetre.move(ecran.center() - QPoint(320, 240));
    fenetre.show();

    QDialog dialogue(&fenetre);
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
