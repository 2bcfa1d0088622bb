#pragma once

#include <QWidget>

namespace qcm::display {

// A top-level window made for the full-screen display. It is the one
// window of the program with a taskbar entry: Qt has no application window
// of its own to hide, and the dialogs and boxes, transient for the
// program's windows, have none. Minimizing is the desktop's own; the
// display gives the screen back while the window is minimized.
class TDXForm : public QWidget {
    Q_OBJECT
public:
    explicit TDXForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~TDXForm() override;

    // How many such windows live.
    static int Count();
};

} // namespace qcm::display
