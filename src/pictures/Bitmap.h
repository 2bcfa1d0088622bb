#pragma once

#include "Graphic.h"

#include <QImage>

namespace qcm::pictures {

using namespace qcm::core;

enum class DibRules;

// A device-independent bitmap read into a QImage. Holds what TBitmap and TDIB
// share; only their header rules and error texts differ.
class TDibGraphic : public TGraphic {
public:
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    bool Empty() const override { return image_.isNull(); }
    void Draw(QPainter& canvas, const QRect& rect) override;
    // The decoded pixels; null when empty.
    const QImage& Image() const { return image_; }

protected:
    // A stream with no bytes gives an empty picture; anything unreadable
    // raises EInvalidGraphic(error) and keeps the current picture.
    void Load(QIODevice& stream, pictures::DibRules rules, const QString& error);

private:
    QImage image_;
    QImage paintable_; // paletted pixels converted once for repeated drawing
};

// .bmp files, and the background tile whatever its extension.
class TBitmap : public TDibGraphic {
public:
    const char* ClassName() const override { return "TBitmap"; }
    void LoadFromStream(QIODevice& stream) override;
};

// .dib files: the same reader with a stricter header.
class TDIB : public TDibGraphic {
public:
    const char* ClassName() const override { return "TDIB"; }
    void LoadFromStream(QIODevice& stream) override;
};

} // namespace qcm::pictures
