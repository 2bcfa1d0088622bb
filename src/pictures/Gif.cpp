#include "Gif.h"

#include "GifReader.h"
#include "ImageLimits.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QIODevice>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cstring>

namespace qcm::pictures {

using namespace qcm::core;

using pictures::ByteReader;

namespace {

// Frames whose pixels together pass this are refused: a small file may
// declare many huge frames, and each one's pixels are allocated at reading.
constexpr std::int64_t kMaxTotalPixels = pictures::kMaxPixels * 2;

// round(value * num / den) in 64 bits, halves away from zero; den > 0.
int MulDivRound(std::int64_t value, std::int64_t num, std::int64_t den) {
    const std::int64_t product = value * num;
    const std::int64_t q = product >= 0 ? (product + den / 2) / den : -((-product + den / 2) / den);
    return static_cast<int>(q);
}

TGIFColorMap ReadColorMap(ByteReader& reader, std::uint8_t packed) {
    const int count = 2 << (packed & 7);
    std::uint8_t rgb[256 * 3];
    gif::Read(reader, rgb, count * 3);
    TGIFColorMap map;
    map.Colors.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        map.Colors[static_cast<std::size_t>(i)] = qRgb(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
    }
    return map;
}

// ---- the process-wide kind tables, searched from the last entry to the first

using ExtensionFactory = std::unique_ptr<TGIFExtension> (*)();

struct LabelKind {
    int label;
    ExtensionFactory create;
};

struct AppKind {
    const char* identifier;
    ExtensionFactory create;
};

template <class Kind> std::unique_ptr<TGIFExtension> Make() {
    return std::make_unique<Kind>();
}

const std::vector<LabelKind>& LabelKinds() {
    static const std::vector<LabelKind> kinds = {
        {TGIFGraphicControlExtension::kLabel, &Make<TGIFGraphicControlExtension>},
        {TGIFCommentExtension::kLabel, &Make<TGIFCommentExtension>},
        {TGIFTextExtension::kLabel, &Make<TGIFTextExtension>},
        {TGIFApplicationExtension::kLabel, &Make<TGIFApplicationExtension>},
    };
    return kinds;
}

const std::vector<AppKind>& AppKinds() {
    static const std::vector<AppKind> kinds = {
        {"NETSCAPE2.0", &Make<TGIFAppExtNSLoop>},
        {"ANIMEXTS1.0", &Make<TGIFAppExtNSLoop>},
    };
    return kinds;
}

// reader stands after "!" and label 255: the kind follows from the block size
// and the identifier, which are looked at without being consumed.
std::unique_ptr<TGIFExtension> ApplicationKind(const ByteReader& reader) {
    const ByteReader ahead = reader.From(reader.Pos());
    if (ahead.Has(0, 1) && ahead.U8(0) == 10) {
        return std::make_unique<TGIFUnknownAppExtension>();
    }
    if (ahead.Has(0, 12) && ahead.U8(0) == 11) {
        const auto& kinds = AppKinds();
        for (auto it = kinds.rbegin(); it != kinds.rend(); ++it) {
            if (std::memcmp(ahead.Bytes() + 1, it->identifier, 11) == 0) {
                return it->create();
            }
        }
        return std::make_unique<TGIFUnknownAppExtension>();
    }
    return std::make_unique<TGIFApplicationExtension>();
}

std::unique_ptr<TGIFExtension> ExtensionKind(int label, const ByteReader& reader) {
    const auto& kinds = LabelKinds();
    for (auto it = kinds.rbegin(); it != kinds.rend(); ++it) {
        if (it->label == label) {
            return label == TGIFApplicationExtension::kLabel ? ApplicationKind(reader)
                                                             : it->create();
        }
    }
    throw GIFException(GIFText(TGIFFault::UnknownExtension));
}

} // namespace

QString GIFText(TGIFFault fault) {
    switch (fault) {
    case TGIFFault::Signature:
        return QStringLiteral("Ce fichier n'est pas une image GIF : sa signature manque");
    case TGIFFault::PrematureEnd:
        return QStringLiteral("Image GIF tronquée : les données s'arrêtent trop tôt");
    case TGIFFault::UnknownBlock:
        return QStringLiteral("Image GIF : type de bloc inconnu");
    case TGIFFault::InvalidTrailer:
        return QStringLiteral("Image GIF : marque de fin incorrecte");
    case TGIFFault::ExtensionIntroducer:
        return QStringLiteral("Image GIF : début d'extension incorrect");
    case TGIFFault::UnknownExtension:
        return QStringLiteral("Image GIF : type d'extension inconnu");
    case TGIFFault::ExtensionMismatch:
        return QStringLiteral(
            "Image GIF : erreur interne, l'extension ne correspond pas à son étiquette");
    case TGIFFault::ApplicationBlockSize:
        return QStringLiteral(
            "Image GIF : taille de bloc d'extension d'application non prise en charge");
    case TGIFFault::InvalidData:
        return QStringLiteral("Image GIF : données incorrectes");
    case TGIFFault::EmptyFrame:
        return QStringLiteral("Image GIF : une image sans largeur ou sans hauteur prend la taille "
                              "de l'écran logique");
    case TGIFFault::BitBufferUnderRun:
        return QStringLiteral("Image GIF : les données s'arrêtent avant le dernier pixel");
    case TGIFFault::CircularTable:
        return QStringLiteral("Image GIF : table de décodage circulaire");
    }
    return {};
}

EAbstractError::EAbstractError() : Exception(QStringLiteral("Erreur abstraite")) {}

// ---------------------------------------------------------------- extensions

TGIFExtension::~TGIFExtension() = default;

void TGIFExtension::Read(ByteReader& reader, const TGIFWarningHandler& warn) {
    if (gif::ReadU8(reader) != '!') {
        throw GIFException(GIFText(TGIFFault::ExtensionIntroducer));
    }
    if (gif::ReadU8(reader) != Label()) {
        throw GIFException(GIFText(TGIFFault::ExtensionMismatch));
    }
    ReadContent(reader, warn);
}

std::vector<QByteArray> TGIFExtension::ReadSubBlocks(ByteReader& reader) {
    std::vector<QByteArray> blocks;
    for (;;) {
        const int length = gif::ReadU8(reader);
        if (length == 0) {
            return blocks;
        }
        QByteArray block(length, Qt::Uninitialized);
        gif::Read(reader, block.data(), length);
        blocks.push_back(std::move(block));
    }
}

namespace {
std::vector<QByteArray> ToLines(std::vector<QByteArray> blocks) {
    for (QByteArray& line : blocks) {
        const qsizetype zero = line.indexOf('\0');
        if (zero >= 0) {
            line.truncate(zero);
        }
    }
    return blocks;
}
} // namespace

void TGIFGraphicControlExtension::ReadContent(ByteReader& reader, const TGIFWarningHandler& warn) {
    std::uint8_t b[6] = {};
    if (reader.Read(b, 6) < 6 && warn) {
        warn(TGIFSeverity::Warning, gif::PrematureEnd());
    }
    BlockSize = b[0];
    Packed = b[1];
    Delay = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
    TransparentIndex = b[4];
    Terminator = b[5];
}

void TGIFCommentExtension::ReadContent(ByteReader& reader, const TGIFWarningHandler& /*warn*/) {
    Lines = ToLines(ReadSubBlocks(reader));
}

void TGIFTextExtension::ReadContent(ByteReader& reader, const TGIFWarningHandler& /*warn*/) {
    Header = QByteArray(13, Qt::Uninitialized);
    gif::Read(reader, Header.data(), 13);
    Lines = ToLines(ReadSubBlocks(reader));
}

void TGIFApplicationExtension::ReadContent(ByteReader& reader, const TGIFWarningHandler& /*warn*/) {
    const int size = gif::ReadU8(reader);
    if (size < 10) {
        throw GIFException(GIFText(TGIFFault::ApplicationBlockSize));
    }
    Identifier = QByteArray(11, Qt::Uninitialized);
    gif::Read(reader, Identifier.data(), 11);
    if (size == 10) {
        // The eleventh byte read is already the first sub-block's length.
        Identifier.truncate(10);
        reader.Seek(reader.Pos() - 1);
    } else {
        gif::Skip(reader, static_cast<std::size_t>(size - 11));
    }
    ReadData(reader);
}

void TGIFApplicationExtension::ReadData(ByteReader& /*reader*/) {
    throw EAbstractError();
}

void TGIFAppExtNSLoop::ReadData(ByteReader& reader) {
    for (;;) {
        const int length = gif::ReadU8(reader);
        if (length == 0) {
            return;
        }
        std::uint8_t block[255];
        gif::Read(reader, block, length);
        switch (block[0] & 7) {
        case 1:
            if (length < 3) {
                throw GIFException(GIFText(TGIFFault::InvalidData));
            }
            Loops = static_cast<std::uint16_t>(block[1] | (block[2] << 8));
            break;
        case 2:
            if (length < 5) {
                throw GIFException(GIFText(TGIFFault::InvalidData));
            }
            BufferSize = static_cast<std::uint32_t>(block[1]) |
                         (static_cast<std::uint32_t>(block[2]) << 8) |
                         (static_cast<std::uint32_t>(block[3]) << 16) |
                         (static_cast<std::uint32_t>(block[4]) << 24);
            break;
        default:
            break;
        }
    }
}

void TGIFUnknownAppExtension::ReadData(ByteReader& reader) {
    Blocks = ReadSubBlocks(reader);
}

// ---------------------------------------------------------------- frames

int TGIFSubImage::TransparentIndex() const {
    return GraphicControlExtension != nullptr ? GraphicControlExtension->TransparentIndex : 0;
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
    static const TGIFColorMap none;
    if (LocalColorMap.Count() > 0) {
        return LocalColorMap;
    }
    return globalMap_ != nullptr ? *globalMap_ : none;
}

const QImage& TGIFSubImage::Bitmap() {
    BuildBitmap();
    return bitmap_;
}

const QImage& TGIFSubImage::Mask() {
    BuildBitmap();
    return mask_;
}

const QImage& TGIFSubImage::MaskedBitmap() {
    BuildBitmap();
    return masked_;
}

void TGIFSubImage::BuildBitmap() {
    if (built_) {
        return;
    }
    built_ = true;
    if (Data.empty()) {
        return;
    }
    QImage bitmap = pictures::NewImage(Width, Height, QImage::Format_Indexed8);
    if (bitmap.isNull()) {
        return;
    }
    // Indices past the map are kept as read; they show opaque black.
    QList<QRgb> table(256, qRgb(0, 0, 0));
    const TGIFColorMap& map = ActiveColorMap();
    std::copy(map.Colors.begin(), map.Colors.end(), table.begin());
    bitmap.setColorTable(table);
    const std::size_t w = Width;
    for (int y = 0; y < Height; ++y) {
        std::memcpy(bitmap.scanLine(y), Data.data() + static_cast<std::size_t>(y) * w, w);
    }
    bitmap_ = bitmap;

    if (!Transparent) {
        return;
    }
    const auto index = static_cast<std::uint8_t>(TransparentIndex());
    if (std::find(Data.begin(), Data.end(), index) == Data.end()) {
        return; // no pixel is transparent: no mask
    }
    QImage mask = pictures::NewImage(Width, Height, QImage::Format_Mono);
    if (mask.isNull()) {
        return;
    }
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    for (int y = 0; y < Height; ++y) {
        const std::uint8_t* row = Data.data() + static_cast<std::size_t>(y) * w;
        uchar* bits = mask.scanLine(y);
        for (int x = 0; x < Width; ++x) {
            if (row[x] == index) {
                bits[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
            }
        }
    }
    mask_ = mask;
    table[index] = qRgba(0, 0, 0, 0);
    masked_ = bitmap_.copy();
    masked_.setColorTable(table);
}

// ---------------------------------------------------------------- picture

void TGIFImage::Warn(const QString& message) const {
    if (OnWarning) {
        OnWarning(TGIFSeverity::Warning, message);
    }
}

void TGIFImage::Clear() {
    StopPainting();
    frames_.clear();
    header_ = TGIFHeader();
}

void TGIFImage::LoadFromStream(QIODevice& stream) {
    Progress(TProgressStage::Starting, 0, QStringLiteral("Loading..."));
    Clear();
    const qint64 start = stream.pos();
    // Buffers and files are read in place; other devices are copied.
    const std::uint8_t* data = nullptr;
    qint64 size = 0;
    QByteArray copy;
    struct Unmap {
        QFile* file = nullptr;
        uchar* map = nullptr;
        ~Unmap() {
            if (map != nullptr) {
                file->unmap(map);
            }
        }
    } unmap;
    if (auto* buffer = qobject_cast<QBuffer*>(&stream)) {
        const QByteArray& all = buffer->data();
        if (start >= 0 && start <= all.size()) {
            data = reinterpret_cast<const std::uint8_t*>(all.constData()) + start;
            size = all.size() - start;
        }
    } else if (auto* file = qobject_cast<QFile*>(&stream);
               file != nullptr && file->size() > start) {
        unmap.file = file;
        unmap.map = file->map(start, file->size() - start);
        if (unmap.map != nullptr) {
            data = unmap.map;
            size = file->size() - start;
        }
    }
    if (data == nullptr) {
        copy = stream.readAll();
        data = reinterpret_cast<const std::uint8_t*>(copy.constData());
        size = copy.size();
    }
    ByteReader reader(QByteArrayView(data, static_cast<qsizetype>(size)));
    try {
        ReadFrames(reader);
    } catch (...) {
        Clear();
        if (!stream.isSequential()) {
            stream.seek(start);
        }
        Progress(TProgressStage::Ending, 0);
        throw;
    }
    if (!stream.isSequential()) {
        stream.seek(start + reader.Pos());
    }
    Progress(TProgressStage::Ending, 100);
    Changed();
}

void TGIFImage::ReadFrames(ByteReader& reader) {
    const TGIFWarningHandler warn = [this](TGIFSeverity severity, const QString& message) {
        if (OnWarning) {
            OnWarning(severity, message);
        }
    };
    // Signature: at the start, or after a 4-byte prefix; any letter case.
    auto isGif = [](const std::uint8_t* s) {
        return (s[0] | 0x20) == 'g' && (s[1] | 0x20) == 'i' && (s[2] | 0x20) == 'f';
    };
    std::uint8_t signature[6] = {};
    if (reader.Read(signature, 6) < 6 || !isGif(signature)) {
        reader.Seek(4);
        if (reader.Read(signature, 6) < 6 || !isGif(signature)) {
            throw GIFException(GIFText(TGIFFault::Signature));
        }
    }
    header_.Width = gif::ReadU16(reader);
    header_.Height = gif::ReadU16(reader);
    header_.Packed = gif::ReadU8(reader);
    header_.BackgroundIndex = gif::ReadU8(reader);
    header_.AspectRatio = gif::ReadU8(reader);
    if ((header_.Packed & 0x80) != 0) {
        header_.ColorMap = ReadColorMap(reader, header_.Packed);
    }
    // The animation's buffers and any drawing at the picture's size take the
    // screen's size.
    const std::int64_t screen = std::int64_t{header_.Width} * header_.Height;
    if (screen > 0 && !pictures::WithinLimits(header_.Width, header_.Height)) {
        throw GIFException(TooLargeText(header_.Width, header_.Height));
    }

    std::int64_t totalPixels = 0;
    auto skipZeros = [&reader] {
        while (reader.Peek() == 0) {
            reader.Next();
        }
    };
    skipZeros();
    for (;;) {
        const int b = reader.Peek();
        if (b < 0 || b == ';') {
            break;
        }
        if (b != '!' && b != ',') {
            Warn(GIFText(TGIFFault::UnknownBlock));
            break;
        }
        auto frame = std::make_unique<TGIFSubImage>();
        frame->globalMap_ = &header_.ColorMap;

        // The extensions before the image.
        for (int next = reader.Peek(); next != ',' && next != ';'; next = reader.Peek()) {
            if (next != '!') {
                Warn(GIFText(TGIFFault::ExtensionIntroducer));
                break;
            }
            const std::size_t at = reader.Pos();
            reader.Next();
            const int label = gif::ReadU8(reader);
            std::unique_ptr<TGIFExtension> extension = ExtensionKind(label, reader);
            reader.Seek(at);
            extension->Read(reader, warn);
            if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(extension.get())) {
                if (frame->GraphicControlExtension == nullptr) {
                    frame->GraphicControlExtension = gce;
                }
                if (gce->Transparent()) {
                    frame->Transparent = true;
                }
            }
            frame->Extensions.push_back(std::move(extension));
        }

        const int next = reader.Peek();
        if (next != ';' && next != 0) {
            frame->Separator = gif::ReadU8(reader);
            frame->Left = gif::ReadU16(reader);
            frame->Top = gif::ReadU16(reader);
            frame->Width = gif::ReadU16(reader);
            frame->Height = gif::ReadU16(reader);
            frame->Packed = gif::ReadU8(reader);
            if (frame->Width == 0 || frame->Height == 0) {
                Warn(GIFText(TGIFFault::EmptyFrame));
                frame->Width = header_.Width;
                frame->Height = header_.Height;
            }
            if ((frame->Packed & 0x80) != 0) {
                frame->LocalColorMap = ReadColorMap(reader, frame->Packed);
            }
            const std::int64_t pixels = std::int64_t{frame->Width} * frame->Height;
            if (pixels > 0 && (!pictures::WithinLimits(frame->Width, frame->Height) ||
                               totalPixels + pixels > kMaxTotalPixels)) {
                throw GIFException(TooLargeText());
            }
            totalPixels += pixels;
            const auto fill =
                static_cast<std::uint8_t>(frame->Transparent ? frame->TransparentIndex() : 0);
            frame->Data.assign(static_cast<std::size_t>(pixels), fill);
            gif::DecodePixels(reader, frame->Width, frame->Height, frame->Interlaced(),
                              frame->Data.data(), warn);
        }
        frames_.push_back(std::move(frame));
        if (reader.Size() > 0) {
            Progress(TProgressStage::Running, static_cast<int>(reader.Pos() * 100 / reader.Size()));
        }
        skipZeros();
    }
    const int trailer = reader.Next();
    if (trailer >= 0 && trailer != ';') {
        Warn(GIFText(TGIFFault::InvalidTrailer));
    }
}

QColor TGIFImage::BackgroundColor() const {
    if (DrawBackgroundColor) {
        return *DrawBackgroundColor;
    }
    if ((header_.Packed & 0x80) == 0 || header_.ColorMap.Count() == 0) {
        return qGuiApp != nullptr ? QGuiApplication::palette().color(QPalette::Base)
                                  : QColor(Qt::white);
    }
    if (header_.BackgroundIndex < header_.ColorMap.Count()) {
        return QColor::fromRgb(header_.ColorMap.Colors[header_.BackgroundIndex]);
    }
    return QColor(Qt::black);
}

QRect TGIFImage::MapFrameRect(const TGIFSubImage& frame, const QRect& rect, int screenWidth,
                              int screenHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) {
        return {};
    }
    const int left = rect.left() + MulDivRound(frame.Left, rect.width(), screenWidth);
    const int top = rect.top() + MulDivRound(frame.Top, rect.height(), screenHeight);
    const int right = rect.left() + MulDivRound(std::int64_t{frame.Left} + frame.Width,
                                                rect.width(), screenWidth);
    const int bottom = rect.top() + MulDivRound(std::int64_t{frame.Top} + frame.Height,
                                                rect.height(), screenHeight);
    return {QPoint(left, top), QSize(right - left, bottom - top)};
}

namespace {
void Tile(QPainter& canvas, const QImage& image, const QRect& rect) {
    if (image.isNull() || rect.isEmpty()) {
        return;
    }
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);
    for (int y = rect.top(); y <= rect.bottom(); y += image.height()) {
        for (int x = rect.left(); x <= rect.right(); x += image.width()) {
            canvas.drawImage(QPoint(x, y), image);
        }
    }
    canvas.restore();
}
} // namespace

void TGIFImage::DrawFrame(QPainter& canvas, TGIFSubImage& frame, const QRect& rect) {
    if (DrawOptions.Tile) {
        const bool masked = DrawOptions.Transparent && frame.Transparent && !frame.Mask().isNull();
        Tile(canvas, masked ? frame.MaskedBitmap() : frame.Bitmap(), rect);
        return;
    }
    DrawFrameInto(canvas, frame, rect, DrawOptions.Transparent);
}

void TGIFImage::DrawFrameInto(QPainter& canvas, TGIFSubImage& frame, const QRect& rect,
                              bool transparent) {
    // A screen of no size maps nothing anywhere.
    if (frame.Empty() || header_.Width == 0 || header_.Height == 0) {
        return;
    }
    const bool masked = transparent && frame.Transparent && !frame.Mask().isNull();
    const QImage& image = masked ? frame.MaskedBitmap() : frame.Bitmap();
    if (image.isNull()) {
        return;
    }
    const QRect target = MapFrameRect(frame, rect, header_.Width, header_.Height);
    canvas.save();
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.drawImage(target, image);
    canvas.restore();
}

void TGIFImage::DrawBuffer(QPainter& canvas, const QImage& image, const QRect& rect) const {
    if (DrawOptions.Tile) {
        Tile(canvas, image, rect);
        return;
    }
    // A frame shown smaller than it is averages its pixels on the device.
    const qreal ratio = canvas.device() != nullptr ? canvas.device()->devicePixelRatio() : 1;
    const QSize device = (canvas.combinedTransform().mapRect(QRectF(rect)).size() * ratio).toSize();
    if (!device.isEmpty() && (device.width() < image.width() || device.height() < image.height())) {
        canvas.drawImage(rect, Resampled(image, device));
    } else {
        canvas.drawImage(rect, image);
    }
}

} // namespace qcm::pictures
