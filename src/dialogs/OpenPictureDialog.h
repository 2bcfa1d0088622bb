#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QToolButton;

namespace qcm::pictures {
class ScaledPicture;
class TGIFClock;
} // namespace qcm::pictures

namespace qcm::dialogs {

// The rectangle a width x height picture is drawn into in area r: "(vide)"
// aside, a picture that fits is centred at its size; a larger one is
// stretched from r's top-left corner, its longer side (only the picture's
// sides are compared) filling r.
QRect RectApercu(int largeur, int hauteur, const QRect& r);

// A surface whose painting and double click its owner decides.
class BoitePeinture : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> Peindre;
signals:
    void DoubleClic();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Qt's own open-file dialog with a preview of the selected picture on its
// right, its size in a label, and a button that shows it at full size.
// Prepare it with platform::PreparerOuverture, then call Execute.
class TOpenPictureDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TOpenPictureDialog(QWidget* parent = nullptr);
    ~TOpenPictureDialog() override;

    // Runs the dialog modally, starting from the file picked last time.
    // True when a file was confirmed; FileName() is then its full path.
    bool Execute();
    const QString& FileName() const { return fileName_; }

    // The filter of every registered picture kind, as the editor writes
    // filters.
    static QString FiltreImages();

    // A new selection: the file is read off the GUI thread, so that a large
    // one never holds the dialog; the preview follows when it is read.
    void SelectionChangee(const QString& chemin);
    // Waits for the selection being read and shows it (tests).
    void AttendreApercu();
    // Opens the picture at full size in a window of its own.
    void PreviewClick();

    const pictures::ScaledPicture& Picture() const { return *picture_; }
    // The clock given to animations of the preview (tests).
    std::shared_ptr<pictures::TGIFClock> Clock;

    QFrame* PicturePanel;
    QLabel* PictureLabel;
    QToolButton* PreviewButton;
    QFrame* PaintPanel;
    BoitePeinture* PaintBox;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Montrer(std::unique_ptr<pictures::ScaledPicture> picture);
    void PaintBoxPaint(QPainter& p);
    void CadrerBouton();

    std::unique_ptr<pictures::ScaledPicture> picture_;
    QString fileName_;
    QThreadPool lecteur_;
    // Read by the reader thread to skip selections already left.
    std::atomic<int> generation_{0};
    QWidget* previewImage_ = nullptr;
};

} // namespace qcm::dialogs
