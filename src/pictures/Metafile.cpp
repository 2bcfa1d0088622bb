#include "Metafile.h"

#include "ByteReader.h"
#include "ImageLimits.h"
#include "MetafileFormats.h"
#include "MetafilePlayer.h"

#include <QIODevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace qcm::pictures {

using namespace qcm::core;

namespace {
std::function<int()>& PpiSource() {
    static std::function<int()> source;
    return source;
}
} // namespace

int ScreenPixelsPerInch() {
    const int ppi = PpiSource() ? PpiSource()() : 96;
    return ppi > 0 ? ppi : 96;
}

void SetScreenPixelsPerInch(std::function<int()> source) {
    PpiSource() = std::move(source);
}

namespace {

using pictures::ByteReader;

constexpr std::uint32_t kEmfSignature = 0x464D4520;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeader = 22;
constexpr std::size_t kEmfMinHeader = 88;
constexpr int kHundredthMmPerInch = 2540;

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(QStringLiteral("MetaFichier incorrect"));
}

// Windows' MulDiv: a * b / c rounded half away from zero.
int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) {
        return -1;
    }
    // long double holds the 64-bit product exactly; roundl rounds half away from zero.
    const long double exact =
        static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
    return static_cast<int>(std::clamp<long double>(std::roundl(exact), INT32_MIN, INT32_MAX));
}

// A metafile is drawn into whatever rectangle is asked, so a large
// reported size costs nothing by itself (documents at 1200 dpi report A4 as
// 14 031 x 9 921); whoever makes a canvas of that size bounds it first.
void CheckSize(std::int64_t width, std::int64_t height) {
    if (width < 0 || height < 0) {
        Invalid();
    }
}

bool IsEnhanced(ByteReader b) {
    return b.Size() > 100 && b.U32(0) == 1 && b.U32(40) == kEmfSignature;
}

} // namespace

void TMetafile::LoadFromStream(QIODevice& stream) {
    const QByteArray bytes = ReadRest(stream);
    if (IsEnhanced(ByteReader(bytes))) {
        LoadEnhanced(bytes);
    } else {
        LoadPlaceable(bytes);
    }
    Changed();
}

void TMetafile::LoadEnhanced(const QByteArray& bytes) {
    const ByteReader b(bytes);
    const std::size_t headerSize = b.U32(4);
    if (headerSize < kEmfMinHeader || headerSize % 4 != 0 || headerSize > b.Size()) {
        Invalid();
    }
    // ByteReader after the size the header declares are not part of the metafile.
    std::size_t total = b.Size();
    const std::size_t declared = b.U32(48);
    if (declared >= headerSize && declared < total) {
        total = declared;
    }
    const ByteReader records = b.Sub(0, total);
    if (!pictures::metafile::EmfRecordsWalk(records)) {
        Invalid();
    }
    const QRectF bounds(QPointF(b.I32(8), b.I32(12)), QPointF(b.I32(16), b.I32(20)));
    const std::int64_t frameLeft = b.I32(24);
    const std::int64_t frameTop = b.I32(28);
    const std::int64_t frameWidth = std::llabs(std::int64_t{b.I32(32)} - frameLeft);
    const std::int64_t frameHeight = std::llabs(std::int64_t{b.I32(36)} - frameTop);
    const std::int64_t deviceX = b.I32(72);
    const std::int64_t deviceY = b.I32(76);
    const std::int64_t mmX = b.I32(80);
    const std::int64_t mmY = b.I32(84);

    // A header without a device size would divide by zero: such files are
    // measured at 96 pixels per inch instead.
    const bool device = deviceX > 0 && deviceY > 0 && mmX > 0 && mmY > 0;
    const int width = device ? MulDiv(frameWidth, deviceX, mmX * 100)
                             : MulDiv(frameWidth, 96, kHundredthMmPerInch);
    const int height = device ? MulDiv(frameHeight, deviceY, mmY * 100)
                              : MulDiv(frameHeight, 96, kHundredthMmPerInch);
    CheckSize(width, height);
    width_ = width;
    height_ = height;
    pixelsPerMmX_ = device ? double(deviceX) / double(mmX) : 96 / 25.4;
    pixelsPerMmY_ = device ? double(deviceY) / double(mmY) : 96 / 25.4;
    frame_ = QRectF(QPointF(frameLeft * pixelsPerMmX_ / 100, frameTop * pixelsPerMmY_ / 100),
                    QSizeF(frameWidth * pixelsPerMmX_ / 100, frameHeight * pixelsPerMmY_ / 100));
    if (frame_.width() <= 0 || frame_.height() <= 0) {
        frame_ = bounds.normalized();
    }
    kind_ = Kind::Enhanced;
    records_ = bytes.left(static_cast<qsizetype>(total));
    box_ = {};
}

void TMetafile::LoadPlaceable(const QByteArray& bytes) {
    const ByteReader b(bytes);
    if (!b.Has(0, kPlaceableHeader) || b.U32(0) != kPlaceableKey) {
        Invalid();
    }
    std::uint16_t sum = 0;
    for (std::size_t k = 0; k < 10; ++k) {
        sum ^= b.U16(2 * k);
    }
    if (sum != b.U16(20)) {
        Invalid();
    }
    const ByteReader records = b.From(kPlaceableHeader);
    if (!pictures::metafile::WmfRecordsWalk(records)) {
        Invalid();
    }
    const int left = b.I16(6);
    const int top = b.I16(8);
    const int right = b.I16(10);
    const int bottom = b.I16(12);
    const int inch = b.U16(14) != 0 ? b.U16(14) : 96;
    const int ppi = pictures::ScreenPixelsPerInch();
    const int mmWidth = MulDiv(std::abs(right - left), kHundredthMmPerInch, inch);
    const int mmHeight = MulDiv(std::abs(bottom - top), kHundredthMmPerInch, inch);
    const int width = MulDiv(mmWidth, ppi, kHundredthMmPerInch);
    const int height = MulDiv(mmHeight, ppi, kHundredthMmPerInch);
    CheckSize(width, height);
    width_ = width;
    height_ = height;
    box_ = QRectF(QPointF(left, top), QPointF(right, bottom));
    frame_ = {};
    kind_ = Kind::Placeable;
    records_ = bytes.mid(static_cast<qsizetype>(kPlaceableHeader));
}

void TMetafile::Draw(QPainter& canvas, const QRect& rect) {
    Play(canvas, rect, {});
}

void TMetafile::Play(QPainter& canvas, const QRect& rect,
                     const std::function<void(const std::string&)>& trace) const {
    using namespace pictures::metafile;
    if (kind_ == Kind::None || rect.isEmpty()) {
        return;
    }
    const QRectF target(rect);
    if (kind_ == Kind::Enhanced) {
        // The frame, in device pixels, fills the target.
        const double fw = frame_.width() > 0 ? frame_.width() : 1;
        const double fh = frame_.height() > 0 ? frame_.height() : 1;
        const double sx = target.width() / fw;
        const double sy = target.height() / fh;
        const QTransform device(sx, 0, 0, sy, target.x() - frame_.x() * sx,
                                target.y() - frame_.y() * sy);
        Player player(canvas, device, target);
        player.trace = trace;
        player.SetDeviceResolution(pixelsPerMmX_, pixelsPerMmY_);
        PlayEmf(ByteReader(records_), player);
        return;
    }
    // The window starts as the bounding box; the metafile's own window
    // records replace it, and the window always fills the target.
    const QTransform device(target.width(), 0, 0, target.height(), target.x(), target.y());
    Player player(canvas, device, target);
    player.trace = trace;
    player.Dc().mapMode = MM_ANISOTROPIC;
    player.SetWindowOrg(box_.topLeft());
    player.SetWindowExt(box_.size());
    player.LockMapping();
    PlayWmf(ByteReader(records_), player);
}

} // namespace qcm::pictures
