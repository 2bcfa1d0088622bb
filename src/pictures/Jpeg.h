#pragma once

#include "Graphic.h"

namespace qcm {

// Not read yet: refuses every file.
class TJPEGImage : public TGraphic {
public:
    const char* ClassName() const override { return "TJPEGImage"; }
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    bool Empty() const override { return true; }
    void LoadFromStream(QIODevice& stream) override;
    void Draw(QPainter& canvas, const QRect& rect) override;
};

} // namespace qcm
