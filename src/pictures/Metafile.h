#pragma once

#include "Graphic.h"

#include <QByteArray>
#include <QRectF>

#include <functional>
#include <string>

namespace qcm::pictures {

using namespace qcm::core;

// The screen resolution at which placeable metafiles report their size.
int ScreenPixelsPerInch();
// Replaces where that resolution comes from; an empty function restores 96.
void SetScreenPixelsPerInch(std::function<int()> source);

// A Windows metafile: enhanced (EMF) or placeable (WMF with the 22-byte
// header), told apart by content. Drawn by our own record player.
class TMetafile : public TGraphic {
public:
    enum class Kind { None, Enhanced, Placeable };

    const char* ClassName() const override { return "TMetafile"; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return kind_ == Kind::None; }
    Kind Format() const { return kind_; }
    // Raises EInvalidGraphic "MetaFichier incorrect"; the picture keeps its
    // previous content then.
    void LoadFromStream(QIODevice& stream) override;
    void Draw(QPainter& canvas, const QRect& rect) override;
    // Draw, reporting one line per drawing call (tests, dumps).
    void Play(QPainter& canvas, const QRect& rect,
              const std::function<void(const std::string&)>& trace) const;

private:
    void LoadEnhanced(const QByteArray& bytes);
    void LoadPlaceable(const QByteArray& bytes);

    Kind kind_ = Kind::None;
    QByteArray records_; // EMF: the whole file; WMF: from the standard header on
    int width_ = 0;
    int height_ = 0;
    // WMF: the bounding box in metafile units.
    QRectF box_;
    // EMF: the frame in device pixels and the device resolution.
    QRectF frame_;
    double pixelsPerMmX_ = 0;
    double pixelsPerMmY_ = 0;
};

} // namespace qcm::pictures
