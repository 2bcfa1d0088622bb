#pragma once

#include "Graphic.h"

#include <QByteArray>
#include <QImage>

#include <vector>

namespace qcm::pictures {

using namespace qcm::core;

// A Windows icon file. The whole file is kept; the image shown is the one
// closest to 32 x 32, and the picture reports that image's size.
class TIcon : public TGraphic {
public:
    const char* ClassName() const override { return "TIcon"; }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    bool Empty() const override { return image_.isNull(); }
    // Reads the directory and decodes the chosen image at once, so that a
    // broken icon fails here rather than when first drawn.
    void LoadFromStream(QIODevice& stream) override;
    void Draw(QPainter& canvas, const QRect& rect) override;

    // The chosen image, ARGB32.
    const QImage& Image() const { return image_; }
    // Every image of the directory, in file order; ImageAt raises
    // EInvalidGraphic when that entry cannot be decoded.
    int ImageCount() const { return static_cast<int>(entries_.size()); }
    QImage ImageAt(int index) const;

    // The size the choice aims at, as a desktop's icon size.
    static constexpr int kPreferredSize = 32;

private:
    struct Entry {
        int width = 0; // from the directory, 0 read as 256
        int height = 0;
        int bitCount = 0;
        qsizetype offset = 0;
    };
    static QImage DecodeEntry(const QByteArray& data, const Entry& entry);

    QByteArray data_;
    std::vector<Entry> entries_;
    QImage image_;
};

} // namespace qcm::pictures
