#include "MetafileDib.h"
#include "MetafileFormats.h"
#include "MetafilePlayer.h"

#include "core/Cp1252.h"

#include <cmath>

namespace qcm::pictures::metafile {

namespace {

enum EmfRecord : std::uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPPERFLAGS = 16,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETCOLORADJUSTMENT = 23,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_SETMETARGN = 28,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_SETPALETTEENTRIES = 50,
    EMR_RESIZEPALETTE = 51,
    EMR_REALIZEPALETTE = 52,
    EMR_EXTFLOODFILL = 53,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_MASKBLT = 78,
    EMR_PLGBLT = 79,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SETICMMODE = 98,
    EMR_CREATECOLORSPACE = 99,
    EMR_SETCOLORSPACE = 100,
    EMR_DELETECOLORSPACE = 101,
    EMR_SMALLTEXTOUT = 108,
    EMR_ALPHABLEND = 114,
    EMR_SETLAYOUT = 115,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
    EMR_SETTEXTJUSTIFICATION = 120,
    EMR_CREATECOLORSPACEW = 122,
};

constexpr std::uint32_t kStockObject = 0x80000000U;
constexpr std::size_t kMaxRegionRects = 100000;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;

struct Record {
    ByteReader bytes;
    std::uint32_t type = 0;

    std::int32_t i(std::size_t offset) const { return bytes.i32(offset); }
    std::uint32_t u(std::size_t offset) const { return bytes.u32(offset); }
    QPointF point(std::size_t offset) const { return {double(i(offset)), double(i(offset + 4))}; }
    QSizeF size(std::size_t offset) const { return {double(i(offset)), double(i(offset + 4))}; }
    // RECTL: left, top, right, bottom, inclusive-inclusive as GDI draws it.
    QRectF rect(std::size_t offset) const { return QRectF(point(offset), point(offset + 8)); }
};

QPolygonF readPoints(const ByteReader& b, std::size_t offset, std::size_t count, bool small) {
    QPolygonF poly;
    const std::size_t each = small ? 4 : 8;
    if (count > b.size() / each || !b.has(offset, count * each)) {
        return poly;
    }
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = offset + k * each;
        poly.append(small ? QPointF(b.i16(at), b.i16(at + 2)) : QPointF(b.i32(at), b.i32(at + 4)));
    }
    return poly;
}

// POLYPOLYGON and POLYPOLYLINE: counts, then all points; refused when the
// counts do not add up within the record.
std::vector<QPolygonF> readPolyPoly(const Record& r, bool small) {
    const std::size_t polygons = r.u(24);
    const std::size_t total = r.u(28);
    const std::size_t each = small ? 4 : 8;
    if (polygons > r.bytes.size() / 4 || total > r.bytes.size() / each ||
        !r.bytes.has(32, polygons * 4 + total * each)) {
        return {};
    }
    std::vector<QPolygonF> list;
    list.reserve(polygons);
    std::size_t at = 32 + polygons * 4;
    std::size_t used = 0;
    for (std::size_t k = 0; k < polygons; ++k) {
        const std::size_t count = r.u(32 + 4 * k);
        if (count > total - used) {
            return {};
        }
        list.push_back(readPoints(r.bytes, at, count, small));
        at += count * each;
        used += count;
    }
    return list;
}

QTransform readXform(const Record& r, std::size_t offset) {
    return {r.bytes.f32(offset),      r.bytes.f32(offset + 4),  r.bytes.f32(offset + 8),
            r.bytes.f32(offset + 12), r.bytes.f32(offset + 16), r.bytes.f32(offset + 20)};
}

// RGNDATA: a 32-byte header then nCount rectangles.
std::optional<QPainterPath> readRegion(ByteReader data) {
    const std::size_t count = data.u32(8);
    if (data.u32(0) < 32 || count > kMaxRegionRects || !data.has(32, count * 16)) {
        return std::nullopt;
    }
    std::vector<QRect> rects;
    rects.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = 32 + 16 * k;
        // Far-out coordinates are pulled in so that widths cannot overflow.
        auto coordinate = [&](std::size_t offset, int shrink) {
            constexpr std::int64_t kFar = std::int64_t{1} << 26;
            return static_cast<int>(std::clamp<std::int64_t>(data.i32(offset), -kFar, kFar) -
                                    shrink);
        };
        const QRect r(QPoint(coordinate(at, 0), coordinate(at + 4, 0)),
                      QPoint(coordinate(at + 8, 1), coordinate(at + 12, 1)));
        if (r.isValid()) {
            rects.push_back(r);
        }
    }
    return regionPath(rects);
}

LogFont readFont(const Record& r) {
    LogFont f;
    f.height = r.i(12);
    f.width = r.i(16);
    f.escapement = r.i(20);
    f.weight = r.i(28);
    f.italic = r.bytes.u8(32) != 0;
    f.underline = r.bytes.u8(33) != 0;
    f.strikeOut = r.bytes.u8(34) != 0;
    f.charSet = r.bytes.u8(35);
    for (std::size_t k = 0; k < 32; ++k) {
        const char16_t c = r.bytes.u16(40 + 2 * k);
        if (c == 0) {
            break;
        }
        f.face.append(QChar(c));
    }
    return f;
}

QImage recordDib(const Record& r, std::size_t offBmiField, ColourUsage usage,
                 const Monochrome* monochrome = nullptr) {
    const std::size_t offBmi = r.u(offBmiField);
    const std::size_t cbBmi = r.u(offBmiField + 4);
    const std::size_t offBits = r.u(offBmiField + 8);
    const std::size_t cbBits = r.u(offBmiField + 12);
    if (cbBmi == 0 || !r.bytes.has(offBmi, cbBmi) || !r.bytes.has(offBits, cbBits)) {
        return {};
    }
    return decodeDib(r.bytes.sub(offBmi, cbBmi), r.bytes.sub(offBits, cbBits), usage, monochrome);
}

void extTextOut(Player& p, const Record& r, bool wide) {
    const QPointF reference = r.point(36);
    const std::size_t count = r.u(44);
    const std::size_t offString = r.u(48);
    const std::uint32_t options = r.u(52);
    const QRectF box = r.rect(56);
    const std::size_t offDx = r.u(72);
    const std::optional<QRectF> rect =
        (options & 0x6) != 0 ? std::optional<QRectF>(box) : std::nullopt;
    const std::size_t charBytes = wide ? 2 : 1;
    if (count > r.bytes.size() || !r.bytes.has(offString, count * charBytes)) {
        p.text(reference, QString(), {}, options, rect);
        return;
    }
    QString text;
    if (wide) {
        text.reserve(static_cast<qsizetype>(count));
        for (std::size_t k = 0; k < count; ++k) {
            text.append(QChar(static_cast<char16_t>(r.bytes.u16(offString + 2 * k))));
        }
    } else {
        text = core::cp1252::decode(r.bytes.sub(offString, count).view());
    }
    // ETO_PDY: the spacing array holds x and y pairs.
    const std::size_t stride = (options & 0x2000) != 0 ? 8 : 4;
    std::vector<double> dx;
    if (offDx != 0 && r.bytes.has(offDx, count * stride)) {
        dx.reserve(count);
        for (std::size_t k = 0; k < count; ++k) {
            dx.push_back(r.i(offDx + stride * k));
        }
    }
    p.text(reference, text, dx, options, rect);
}

void extCreatePen(Player& p, const Record& r) {
    const std::uint32_t style = r.u(28);
    const bool geometric = (style & 0x10000) != 0;
    const double width = geometric ? r.u(32) : 0;
    const std::uint32_t brushStyle = r.u(36);
    std::vector<double> dashes;
    const std::size_t entries = r.u(48);
    if ((style & 0xF) == 7 && entries <= 16 && r.bytes.has(52, entries * 4)) {
        for (std::size_t k = 0; k < entries; ++k) {
            dashes.push_back(r.u(52 + 4 * k));
        }
    }
    const std::uint32_t effective = brushStyle == 1 ? 5 : style; // a null brush draws nothing
    p.createObject(r.u(8), makePen(effective, width, colourRef(r.u(40)), dashes));
}

void selectObject(Player& p, std::uint32_t handle) {
    if ((handle & kStockObject) != 0) {
        p.selectStockObject(handle & ~kStockObject);
    } else {
        p.selectObject(handle);
    }
}

// TransparentBlt and AlphaBlend keep a colour key or blend function where the
// others keep their raster operation.
void blit(Player& p, const Record& r, bool stretch, bool transparent, bool alpha = false) {
    const QRectF dest(r.point(24), r.size(32));
    const std::uint32_t rop = transparent || alpha ? kSrcCopy : r.u(40);
    const QPointF srcAt = r.point(44);
    const QSizeF srcSize = stretch ? r.size(100) : r.size(32);
    QImage image = recordDib(r, 84, r.u(80) == 1 ? ColourUsage::Palette : ColourUsage::Rgb);
    if (transparent && !image.isNull()) {
        const QRgb key = colourRef(r.u(40)).rgb();
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((line[x] | 0xFF000000U) == key) {
                    line[x] = 0;
                }
            }
        }
    }
    p.blit(image, dest, QRectF(srcAt, srcSize), rop);
}

void dibBits(Player& p, const Record& r, bool stretch) {
    const ColourUsage usage = r.u(64) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
    const QImage image = recordDib(r, 48, usage);
    const QSizeF srcSize = r.size(40);
    const QRectF dest(r.point(24), stretch ? r.size(72) : srcSize);
    const std::uint32_t rop = stretch ? r.u(68) : kSrcCopy;
    if (image.isNull()) {
        p.patBlt(dest, rop);
        return;
    }
    const QRectF src = dibSourceRect(r.bytes.sub(r.u(48), r.u(52)), image.height(), r.i(32),
                                     r.i(36), srcSize.width(), srcSize.height());
    p.blit(image, dest, src, rop);
}

void gradientFill(Player& p, const Record& r) {
    const std::size_t vertices = r.u(24);
    const std::size_t shapes = r.u(28);
    const std::uint32_t mode = r.u(32);
    if (vertices > r.bytes.size() / 16 || shapes > r.bytes.size() / 8 ||
        !r.bytes.has(36, vertices * 16)) {
        return;
    }
    auto vertex = [&](std::size_t k) { return r.point(36 + 16 * k); };
    auto colour = [&](std::size_t k) {
        const std::size_t at = 36 + 16 * k + 8;
        return QColor(r.bytes.u16(at) >> 8, r.bytes.u16(at + 2) >> 8, r.bytes.u16(at + 4) >> 8);
    };
    const std::size_t table = 36 + vertices * 16;
    const BrushObject saved = p.dc().brush;
    const QPen savedPen = p.dc().pen;
    p.dc().pen = QPen(Qt::NoPen);
    for (std::size_t s = 0; s < shapes && p.withinBudget(); ++s) {
        if (mode == 2) { // triangles, shown in their mean colour
            const std::size_t at = table + 12 * s;
            const std::size_t a = r.u(at);
            const std::size_t b = r.u(at + 4);
            const std::size_t c = r.u(at + 8);
            if (!r.bytes.has(at, 12) || a >= vertices || b >= vertices || c >= vertices) {
                break;
            }
            const QColor ca = colour(a);
            const QColor cb = colour(b);
            const QColor cc = colour(c);
            p.dc().brush = {QBrush(QColor((ca.red() + cb.red() + cc.red()) / 3,
                                          (ca.green() + cb.green() + cc.green()) / 3,
                                          (ca.blue() + cb.blue() + cc.blue()) / 3)),
                            false};
            p.polygon(QPolygonF({vertex(a), vertex(b), vertex(c)}));
            continue;
        }
        const std::size_t at = table + 8 * s;
        const std::size_t a = r.u(at);
        const std::size_t b = r.u(at + 4);
        if (!r.bytes.has(at, 8) || a >= vertices || b >= vertices) {
            break;
        }
        const QRectF box(vertex(a), vertex(b));
        QLinearGradient g(box.topLeft(), mode == 0 ? box.topRight() : box.bottomLeft());
        g.setColorAt(0, colour(a));
        g.setColorAt(1, colour(b));
        p.dc().brush = {QBrush(g), false};
        p.rectangle(box);
    }
    p.dc().brush = saved;
    p.dc().pen = savedPen;
}

void regionCall(Player& p, const Record& r) {
    const std::size_t cb = r.u(24);
    const std::size_t dataAt = r.type == EMR_FRAMERGN ? 40 : (r.type == EMR_FILLRGN ? 32 : 28);
    const auto region = readRegion(r.bytes.sub(dataAt, cb));
    if (!region) {
        return;
    }
    const QTransform t = p.logicalToOutput();
    const QPainterPath path = t.map(*region);
    const GdiObject* object = p.object(r.u(28));
    const auto* brush = object != nullptr ? std::get_if<BrushObject>(object) : nullptr;
    switch (r.type) {
    case EMR_FILLRGN:
        if (brush != nullptr) {
            p.fillRegion(path, *brush);
        }
        break;
    case EMR_FRAMERGN:
        if (brush != nullptr) {
            const QSizeF stroke = r.size(32);
            p.frameRegion(
                path, *brush,
                QSizeF(std::abs(stroke.width() * t.m11()), std::abs(stroke.height() * t.m22())));
        }
        break;
    case EMR_PAINTRGN:
        p.fillRegion(path, p.dc().brush);
        break;
    default:
        p.invertRegion(path);
        break;
    }
}

void play(Player& p, const Record& r) {
    switch (r.type) {
    case EMR_HEADER:
        break;
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
        p.polyBezier(readPoints(r.bytes, 28, r.u(24), r.type == EMR_POLYBEZIER16), false);
        break;
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
        p.polyBezier(readPoints(r.bytes, 28, r.u(24), r.type == EMR_POLYBEZIERTO16), true);
        break;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        p.polygon(readPoints(r.bytes, 28, r.u(24), r.type == EMR_POLYGON16));
        break;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        p.polyline(readPoints(r.bytes, 28, r.u(24), r.type == EMR_POLYLINE16));
        break;
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
        p.polylineTo(readPoints(r.bytes, 28, r.u(24), r.type == EMR_POLYLINETO16));
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16:
        p.polyPolyline(readPolyPoly(r, r.type == EMR_POLYPOLYLINE16));
        break;
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16:
        p.polyPolygon(readPolyPoly(r, r.type == EMR_POLYPOLYGON16));
        break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
        const bool small = r.type == EMR_POLYDRAW16;
        const std::size_t count = r.u(24);
        const QPolygonF points = readPoints(r.bytes, 28, count, small);
        const std::size_t typesAt = 28 + count * (small ? 4 : 8);
        if (points.size() == static_cast<qsizetype>(count) && r.bytes.has(typesAt, count)) {
            std::vector<std::uint8_t> types(count);
            for (std::size_t k = 0; k < count; ++k) {
                types[k] = r.bytes.u8(typesAt + k);
            }
            p.polyDraw(points, types);
        }
        break;
    }
    case EMR_SETWINDOWEXTEX:
        p.setWindowExt(r.size(8));
        break;
    case EMR_SETWINDOWORGEX:
        p.setWindowOrg(r.point(8));
        break;
    case EMR_SETVIEWPORTEXTEX:
        p.setViewportExt(r.size(8));
        break;
    case EMR_SETVIEWPORTORGEX:
        p.setViewportOrg(r.point(8));
        break;
    case EMR_SCALEVIEWPORTEXTEX:
        p.scaleViewportExt(r.i(8), r.i(12), r.i(16), r.i(20));
        break;
    case EMR_SCALEWINDOWEXTEX:
        p.scaleWindowExt(r.i(8), r.i(12), r.i(16), r.i(20));
        break;
    case EMR_SETPIXELV:
        p.setPixel(r.point(8), colourRef(r.u(16)));
        break;
    case EMR_SETMAPMODE:
        p.setMapMode(r.i(8));
        break;
    case EMR_SETBKMODE:
        p.dc().opaqueBackground = r.u(8) == 2;
        break;
    case EMR_SETPOLYFILLMODE:
        p.dc().fillRule = r.u(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case EMR_SETROP2:
        p.dc().rop2 = r.i(8);
        break;
    case EMR_SETTEXTALIGN:
        p.dc().textAlign = r.u(8);
        break;
    case EMR_SETTEXTCOLOR:
        p.dc().textColor = colourRef(r.u(8));
        break;
    case EMR_SETBKCOLOR:
        p.dc().bkColor = colourRef(r.u(8));
        break;
    case EMR_OFFSETCLIPRGN:
        p.offsetClip(r.point(8));
        break;
    case EMR_MOVETOEX:
        p.moveTo(r.point(8));
        break;
    case EMR_LINETO:
        p.lineTo(r.point(8));
        break;
    case EMR_EXCLUDECLIPRECT:
        p.excludeClipRect(r.rect(8));
        break;
    case EMR_INTERSECTCLIPRECT:
        p.intersectClipRect(r.rect(8));
        break;
    case EMR_SAVEDC:
        p.saveDc();
        break;
    case EMR_RESTOREDC:
        p.restoreDc(r.i(8));
        break;
    case EMR_SETWORLDTRANSFORM:
        p.setWorldTransform(readXform(r, 8));
        break;
    case EMR_MODIFYWORLDTRANSFORM:
        p.modifyWorldTransform(readXform(r, 8), r.i(32));
        break;
    case EMR_SELECTOBJECT:
        selectObject(p, r.u(8));
        break;
    case EMR_CREATEPEN:
        p.createObject(r.u(8), makePen(r.u(12), r.i(16), colourRef(r.u(24))));
        break;
    case EMR_EXTCREATEPEN:
        extCreatePen(p, r);
        break;
    case EMR_CREATEBRUSHINDIRECT:
        p.createObject(r.u(8), makeBrush(r.u(12), colourRef(r.u(16)), r.u(20)));
        break;
    case EMR_CREATEMONOBRUSH: {
        const Monochrome colours{p.dc().textColor.rgb(), p.dc().bkColor.rgb()};
        p.createObject(r.u(8), makePatternBrush(recordDib(r, 16, ColourUsage::Rgb, &colours)));
        break;
    }
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        const auto usage = r.u(12) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
        p.createObject(r.u(8), makePatternBrush(recordDib(r, 16, usage)));
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
        p.createObject(r.u(8), readFont(r));
        break;
    case EMR_CREATEPALETTE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
        p.createObject(r.u(8), Placeholder{});
        break;
    case EMR_DELETEOBJECT:
    case EMR_DELETECOLORSPACE:
        p.deleteObject(r.u(8));
        break;
    case EMR_ANGLEARC:
        p.angleArc(r.point(8), r.u(16), r.bytes.f32(20), r.bytes.f32(24));
        break;
    case EMR_ELLIPSE:
        p.ellipse(r.rect(8));
        break;
    case EMR_RECTANGLE:
        p.rectangle(r.rect(8));
        break;
    case EMR_ROUNDRECT:
        p.roundRect(r.rect(8), r.size(24));
        break;
    case EMR_ARC:
        p.arc(r.rect(8), r.point(24), r.point(32), Player::ArcKind::Arc);
        break;
    case EMR_ARCTO:
        p.arc(r.rect(8), r.point(24), r.point(32), Player::ArcKind::ArcTo);
        break;
    case EMR_CHORD:
        p.arc(r.rect(8), r.point(24), r.point(32), Player::ArcKind::Chord);
        break;
    case EMR_PIE:
        p.arc(r.rect(8), r.point(24), r.point(32), Player::ArcKind::Pie);
        break;
    case EMR_SETARCDIRECTION:
        p.dc().clockwise = r.u(8) == 2;
        break;
    case EMR_BEGINPATH:
        p.beginPath();
        break;
    case EMR_ENDPATH:
        p.endPath();
        break;
    case EMR_ABORTPATH:
        p.abortPath();
        break;
    case EMR_CLOSEFIGURE:
        p.closeFigure();
        break;
    case EMR_FILLPATH:
        p.fillPath();
        break;
    case EMR_STROKEPATH:
        p.strokePath();
        break;
    case EMR_STROKEANDFILLPATH:
        p.strokeAndFillPath();
        break;
    case EMR_SELECTCLIPPATH:
        p.selectClipPath(static_cast<ClipMode>(std::clamp<std::uint32_t>(r.u(8), 1, 5)));
        break;
    case EMR_EXTSELECTCLIPRGN: {
        const std::size_t cb = r.u(8);
        const auto mode = static_cast<ClipMode>(std::clamp<std::uint32_t>(r.u(12), 1, 5));
        if (cb == 0) {
            p.selectClip(std::nullopt, mode);
            break;
        }
        // Clip regions are recorded in device units.
        const auto region = readRegion(r.bytes.sub(16, cb));
        if (region) {
            p.selectClip(p.deviceToOutput().map(*region), mode);
        }
        break;
    }
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
    case EMR_PAINTRGN:
    case EMR_INVERTRGN:
        regionCall(p, r);
        break;
    case EMR_BITBLT:
        blit(p, r, false, false);
        break;
    case EMR_STRETCHBLT:
        blit(p, r, true, false);
        break;
    case EMR_TRANSPARENTBLT:
        blit(p, r, true, true);
        break;
    case EMR_ALPHABLEND:
        blit(p, r, true, false, true);
        break;
    case EMR_STRETCHDIBITS:
        dibBits(p, r, true);
        break;
    case EMR_SETDIBITSTODEVICE:
        dibBits(p, r, false);
        break;
    case EMR_EXTTEXTOUTA:
        extTextOut(p, r, false);
        break;
    case EMR_EXTTEXTOUTW:
        extTextOut(p, r, true);
        break;
    case EMR_GRADIENTFILL:
        gradientFill(p, r);
        break;
    // EMF+ and other comments: the ordinary records that follow draw the picture.
    case EMR_GDICOMMENT:
    case EMR_SETBRUSHORGEX:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETMETARGN:
    case EMR_SELECTPALETTE:
    case EMR_SETPALETTEENTRIES:
    case EMR_RESIZEPALETTE:
    case EMR_REALIZEPALETTE:
    case EMR_EXTFLOODFILL:
    case EMR_SETMITERLIMIT:
    case EMR_FLATTENPATH:
    case EMR_WIDENPATH:
    case EMR_SETICMMODE:
    case EMR_SETCOLORSPACE:
    case EMR_SETLAYOUT:
    case EMR_SETTEXTJUSTIFICATION:
        break; // no visible effect we reproduce
    default:
        p.note("skip emf " + std::to_string(r.type));
        break;
    }
}

template <typename Visit> bool walk(ByteReader metafile, Visit visit) {
    std::size_t offset = 0;
    while (offset < metafile.size()) {
        if (!metafile.has(offset, 8)) {
            return false;
        }
        const std::size_t size = metafile.u32(offset + 4);
        if (size < 8 || size % 4 != 0 || size > metafile.size() - offset) {
            return false;
        }
        const Record r{metafile.sub(offset, size), metafile.u32(offset)};
        if (r.type == EMR_EOF) {
            return true;
        }
        if (!visit(r)) {
            return true;
        }
        offset += size;
    }
    return true;
}

} // namespace

bool emfRecordsWalk(ByteReader metafile) {
    return walk(metafile, [](const Record&) { return true; });
}

void playEmf(ByteReader metafile, Player& player) {
    walk(metafile, [&](const Record& r) {
        player.spend(1);
        play(player, r);
        return player.withinBudget();
    });
}

} // namespace qcm::pictures::metafile
