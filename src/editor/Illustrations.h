#pragma once

#include "Services.h"
#include "pictures/ScaledPicture.h"

#include <QPointer>
#include <QSize>

namespace qcm::editor {

// A division by a tile of no width or height.
class EDivByZero : public core::Exception {
public:
    EDivByZero();
    const char* ClassName() const noexcept override { return "EDivByZero"; }
};

// Columns and rows of tiles that cover surface from its top-left corner,
// with a spare one each way. Raises EDivByZero for an empty tile.
QSize GrilleFond(QSize surface, QSize tuile);

// The pictures of the questions and the background tile, read by the
// picture loader. One picture is shown at a time: showing another (or
// none) stops the animation of the previous one.
class IllustrationsEditeur : public Illustrations {
public:
    IllustrationsEditeur();
    ~IllustrationsEditeur() override;

    void AfficherImage(QLabel& photo, QPoint centre, const QString& chemin) override;
    void VerifierImage(const QString& chemin) override;
    void AfficherFond(QImage& surface, const QString& chemin) override;

    // The picture Photo shows (tests, measures).
    pictures::ScaledPicture& Courante() { return courante_; }

private:
    void MontrerImage();

    pictures::ScaledPicture courante_;
    QPointer<QLabel> photo_;
    bool imageDemandee_ = false;
};

} // namespace qcm::editor
