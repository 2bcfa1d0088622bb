#include "Tool.h"

#include "pictures/ImageLimits.h"
#include "pictures/Picture.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

namespace qcm::app::tool {

using namespace qcm::core;
using namespace qcm::pictures;

namespace {

void PrintError(const char* className, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", className, message.toLocal8Bit().constData());
}

// The canvas for a picture of width x height: its size, or for a vector
// picture reporting more pixels than the limit, the largest size within the
// limit that keeps its proportions. Bitmaps never report more: their readers
// refuse them.
QSize CanvasSize(std::int64_t width, std::int64_t height) {
    if (pictures::WithinLimits(width, height)) {
        return {static_cast<int>(width), static_cast<int>(height)};
    }
    const double scale =
        std::sqrt(static_cast<double>(pictures::kMaxPixels) / (double(width) * double(height)));
    return {std::max(1, static_cast<int>(width * scale)),
            std::max(1, static_cast<int>(height * scale))};
}

// Draws the picture at its reported size over a transparent background.
bool WritePng(TPicture& picture, const QString& out) {
    if (picture.Width() <= 0 || picture.Height() <= 0) {
        PrintError("qcm-tool", QStringLiteral("image vide : rien à écrire dans %1").arg(out));
        return false;
    }
    const QSize size = CanvasSize(picture.Width(), picture.Height());
    QImage image =
        pictures::NewImage(size.width(), size.height(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        PrintError("qcm-tool", QStringLiteral("image trop grande pour %1").arg(out));
        return false;
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        picture.Draw(painter, image.rect());
    }
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        PrintError("qcm-tool", QStringLiteral("impossible d'écrire %1").arg(out));
        return false;
    }
    return true;
}

} // namespace

int Picture(const QStringList& args) {
    QString fileName;
    QString png;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--png") && i + 1 < args.size()) {
            png = args[++i];
        } else if (fileName.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            fileName = args[i];
        } else {
            fileName.clear();
            break;
        }
    }
    if (fileName.isEmpty()) {
        return Misuse("picture");
    }

    TPicture picture;
    try {
        picture.LoadFromFile(fileName);
        const TGraphic* graphic = picture.Graphic();
        std::printf("%s %dx%d\n", graphic->ClassName(), picture.Width(), picture.Height());
        std::fflush(stdout);
        if (!png.isEmpty() && !WritePng(picture, png)) {
            return 1;
        }
    } catch (const Exception& e) {
        PrintError(e.ClassName(), e.Message());
        return 1;
    } catch (const std::exception& e) {
        PrintError("Exception", QString::fromLocal8Bit(e.what()));
        return 1;
    }
    return 0;
}

} // namespace qcm::app::tool
