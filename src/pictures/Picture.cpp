#include "Picture.h"

#include "Bitmap.h"
#include "Gif.h"
#include "Icon.h"
#include "Jpeg.h"
#include "Metafile.h"

namespace qcm::pictures {

using namespace qcm::core;

TFileFormatsList::TFileFormatsList() {
    Add<TMetafile>(QStringLiteral("wmf"), QStringLiteral("MétaFichiers"));
    Add<TMetafile>(QStringLiteral("emf"), QStringLiteral("MétaFichiers évolués"));
    Add<TIcon>(QStringLiteral("ico"), QStringLiteral("Icônes"));
    Add<TBitmap>(QStringLiteral("bmp"), QStringLiteral("Bitmaps"));
    Add<TDIB>(QStringLiteral("dib"), QStringLiteral("Device Independent Bitmap"));
    Add<TGIFImage>(QStringLiteral("gif"), QStringLiteral("GIF Image"));
    Add<TJPEGImage>(QStringLiteral("jpeg"), QStringLiteral("Fichier image JPEG"));
    Add<TJPEGImage>(QStringLiteral("jpg"), QStringLiteral("Fichier image JPEG"));
}

TFileFormatsList& TFileFormatsList::Instance() {
    static TFileFormatsList list;
    return list;
}

void TFileFormatsList::Add(const QString& extension, const QString& description,
                           const QString& kindName,
                           std::function<std::unique_ptr<TGraphic>()> create) {
    entries_.push_back({extension.toLower(), description, kindName, std::move(create)});
}

const TFileFormat* TFileFormatsList::Find(const QString& extension) const {
    const QString wanted = extension.toLower();
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->Extension == wanted) {
            return &*it;
        }
    }
    return nullptr;
}

TPicture::~TPicture() = default;

QString TPicture::Extension(const QString& fileName) {
    // A dot in a folder's name ("album.2024/photo") is no extension.
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return dot < 0 || dot < slash ? QString() : fileName.mid(dot + 1);
}

void TPicture::LoadFromFile(const QString& fileName) {
    const QString ext = Extension(fileName);
    const TFileFormat* format = TFileFormatsList::Instance().Find(ext);
    if (format == nullptr) {
        throw EInvalidGraphic(
            QStringLiteral("Extension de fichier graphique inconnue (.%1)").arg(ext));
    }
    std::unique_ptr<TGraphic> graphic = format->Create();
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) {
        graphic_->OnChange = [this] { Changed(); };
    }
    Changed();
}

void TPicture::Draw(QPainter& canvas, const QRect& rect) const {
    if (graphic_ && !graphic_->Empty()) {
        graphic_->Draw(canvas, rect);
    }
}

void TPicture::Changed() {
    if (OnChange) {
        OnChange();
    }
}

} // namespace qcm::pictures
