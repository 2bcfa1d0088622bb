#include "Graphic.h"

#include "ImageLimits.h"
#include "core/AtomicFile.h"

#include <QBuffer>

namespace qcm::pictures {

using namespace qcm::core;

TGraphic::~TGraphic() = default;

void TGraphic::SetSize(int /*width*/, int /*height*/) {
    throw EInvalidGraphicOperation(QStringLiteral("Opération non autorisée sur cette image"));
}

void TGraphic::LoadFromFile(const QString& fileName) {
    // Read through core, which keeps names that are not UTF-8.
    QByteArray bytes;
    try {
        bytes = ReadWholeFile(fileName, kMaxFileBytes);
    } catch (const EInOutError&) {
        // The bare name, as the box shows it: the folder is the teacher's.
        throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier %1")
                              .arg(fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1)));
    }
    LoadFromBytes(bytes);
}

QByteArray ReadRest(QIODevice& stream) {
    if (auto* buffer = qobject_cast<QBuffer*>(&stream); buffer != nullptr && buffer->pos() == 0) {
        QByteArray all = buffer->data();
        buffer->seek(all.size());
        return all;
    }
    return stream.readAll();
}

void TGraphic::LoadFromBytes(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadFromStream(buffer);
}

void TGraphic::Changed() {
    if (OnChange) {
        OnChange();
    }
}

void TGraphic::Progress(TProgressStage stage, int percent, const QString& message) {
    if (OnProgress) {
        OnProgress(stage, percent, message);
    }
}

} // namespace qcm::pictures
