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

    std::int32_t I(std::size_t offset) const { return bytes.I32(offset); }
    std::uint32_t U(std::size_t offset) const { return bytes.U32(offset); }
    QPointF Point(std::size_t offset) const { return {double(I(offset)), double(I(offset + 4))}; }
    QSizeF Size(std::size_t offset) const { return {double(I(offset)), double(I(offset + 4))}; }
    // RECTL: left, top, right, bottom, inclusive-inclusive as GDI draws it.
    QRectF Rect(std::size_t offset) const { return QRectF(Point(offset), Point(offset + 8)); }
};

QPolygonF ReadPoints(const ByteReader& b, std::size_t offset, std::size_t count, bool small) {
    QPolygonF poly;
    const std::size_t each = small ? 4 : 8;
    if (count > b.Size() / each || !b.Has(offset, count * each)) {
        return poly;
    }
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = offset + k * each;
        poly.append(small ? QPointF(b.I16(at), b.I16(at + 2)) : QPointF(b.I32(at), b.I32(at + 4)));
    }
    return poly;
}

// POLYPOLYGON and POLYPOLYLINE: counts, then all points; refused when the
// counts do not add up within the record.
std::vector<QPolygonF> ReadPolyPoly(const Record& r, bool small) {
    const std::size_t polygons = r.U(24);
    const std::size_t total = r.U(28);
    const std::size_t each = small ? 4 : 8;
    if (polygons > r.bytes.Size() / 4 || total > r.bytes.Size() / each ||
        !r.bytes.Has(32, polygons * 4 + total * each)) {
        return {};
    }
    std::vector<QPolygonF> list;
    list.reserve(polygons);
    std::size_t at = 32 + polygons * 4;
    std::size_t used = 0;
    for (std::size_t k = 0; k < polygons; ++k) {
        const std::size_t count = r.U(32 + 4 * k);
        if (count > total - used) {
            return {};
        }
        list.push_back(ReadPoints(r.bytes, at, count, small));
        at += count * each;
        used += count;
    }
    return list;
}

QTransform ReadXform(const Record& r, std::size_t offset) {
    return {r.bytes.F32(offset),      r.bytes.F32(offset + 4),  r.bytes.F32(offset + 8),
            r.bytes.F32(offset + 12), r.bytes.F32(offset + 16), r.bytes.F32(offset + 20)};
}

// RGNDATA: a 32-byte header then nCount rectangles.
std::optional<QPainterPath> ReadRegion(ByteReader data) {
    const std::size_t count = data.U32(8);
    if (data.U32(0) < 32 || count > kMaxRegionRects || !data.Has(32, count * 16)) {
        return std::nullopt;
    }
    std::vector<QRect> rects;
    rects.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t at = 32 + 16 * k;
        // Far-out coordinates are pulled in so that widths cannot overflow.
        auto coordinate = [&](std::size_t offset, int shrink) {
            constexpr std::int64_t kFar = std::int64_t{1} << 26;
            return static_cast<int>(std::clamp<std::int64_t>(data.I32(offset), -kFar, kFar) -
                                    shrink);
        };
        const QRect r(QPoint(coordinate(at, 0), coordinate(at + 4, 0)),
                      QPoint(coordinate(at + 8, 1), coordinate(at + 12, 1)));
        if (r.isValid()) {
            rects.push_back(r);
        }
    }
    return RegionPath(rects);
}

LogFont ReadFont(const Record& r) {
    LogFont f;
    f.height = r.I(12);
    f.width = r.I(16);
    f.escapement = r.I(20);
    f.weight = r.I(28);
    f.italic = r.bytes.U8(32) != 0;
    f.underline = r.bytes.U8(33) != 0;
    f.strikeOut = r.bytes.U8(34) != 0;
    f.charSet = r.bytes.U8(35);
    for (std::size_t k = 0; k < 32; ++k) {
        const char16_t c = r.bytes.U16(40 + 2 * k);
        if (c == 0) {
            break;
        }
        f.face.append(QChar(c));
    }
    return f;
}

QImage RecordDib(const Record& r, std::size_t offBmiField, ColourUsage usage,
                 const Monochrome* monochrome = nullptr) {
    const std::size_t offBmi = r.U(offBmiField);
    const std::size_t cbBmi = r.U(offBmiField + 4);
    const std::size_t offBits = r.U(offBmiField + 8);
    const std::size_t cbBits = r.U(offBmiField + 12);
    if (cbBmi == 0 || !r.bytes.Has(offBmi, cbBmi) || !r.bytes.Has(offBits, cbBits)) {
        return {};
    }
    return DecodeDib(r.bytes.Sub(offBmi, cbBmi), r.bytes.Sub(offBits, cbBits), usage, monochrome);
}

void ExtTextOut(Player& p, const Record& r, bool wide) {
    const QPointF reference = r.Point(36);
    const std::size_t count = r.U(44);
    const std::size_t offString = r.U(48);
    const std::uint32_t options = r.U(52);
    const QRectF box = r.Rect(56);
    const std::size_t offDx = r.U(72);
    const std::optional<QRectF> rect =
        (options & 0x6) != 0 ? std::optional<QRectF>(box) : std::nullopt;
    const std::size_t charBytes = wide ? 2 : 1;
    if (count > r.bytes.Size() || !r.bytes.Has(offString, count * charBytes)) {
        p.Text(reference, QString(), {}, options, rect);
        return;
    }
    QString text;
    if (wide) {
        text.reserve(static_cast<qsizetype>(count));
        for (std::size_t k = 0; k < count; ++k) {
            text.append(QChar(static_cast<char16_t>(r.bytes.U16(offString + 2 * k))));
        }
    } else {
        text = core::cp1252::Decode(r.bytes.Sub(offString, count).View());
    }
    // ETO_PDY: the spacing array holds x and y pairs.
    const std::size_t stride = (options & 0x2000) != 0 ? 8 : 4;
    std::vector<double> dx;
    if (offDx != 0 && r.bytes.Has(offDx, count * stride)) {
        dx.reserve(count);
        for (std::size_t k = 0; k < count; ++k) {
            dx.push_back(r.I(offDx + stride * k));
        }
    }
    p.Text(reference, text, dx, options, rect);
}

void ExtCreatePen(Player& p, const Record& r) {
    const std::uint32_t style = r.U(28);
    const bool geometric = (style & 0x10000) != 0;
    const double width = geometric ? r.U(32) : 0;
    const std::uint32_t brushStyle = r.U(36);
    std::vector<double> dashes;
    const std::size_t entries = r.U(48);
    if ((style & 0xF) == 7 && entries <= 16 && r.bytes.Has(52, entries * 4)) {
        for (std::size_t k = 0; k < entries; ++k) {
            dashes.push_back(r.U(52 + 4 * k));
        }
    }
    const std::uint32_t effective = brushStyle == 1 ? 5 : style; // a null brush draws nothing
    p.CreateObject(r.U(8), MakePen(effective, width, ColourRef(r.U(40)), dashes));
}

void SelectObject(Player& p, std::uint32_t handle) {
    if ((handle & kStockObject) != 0) {
        p.SelectStockObject(handle & ~kStockObject);
    } else {
        p.SelectObject(handle);
    }
}

// TransparentBlt and AlphaBlend keep a colour key or blend function where the
// others keep their raster operation.
void Blit(Player& p, const Record& r, bool stretch, bool transparent, bool alpha = false) {
    const QRectF dest(r.Point(24), r.Size(32));
    const std::uint32_t rop = transparent || alpha ? kSrcCopy : r.U(40);
    const QPointF srcAt = r.Point(44);
    const QSizeF srcSize = stretch ? r.Size(100) : r.Size(32);
    QImage image = RecordDib(r, 84, r.U(80) == 1 ? ColourUsage::Palette : ColourUsage::Rgb);
    if (transparent && !image.isNull()) {
        const QRgb key = ColourRef(r.U(40)).rgb();
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
    p.Blit(image, dest, QRectF(srcAt, srcSize), rop);
}

void DibBits(Player& p, const Record& r, bool stretch) {
    const ColourUsage usage = r.U(64) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
    const QImage image = RecordDib(r, 48, usage);
    const QSizeF srcSize = r.Size(40);
    const QRectF dest(r.Point(24), stretch ? r.Size(72) : srcSize);
    const std::uint32_t rop = stretch ? r.U(68) : kSrcCopy;
    if (image.isNull()) {
        p.PatBlt(dest, rop);
        return;
    }
    const QRectF src = DibSourceRect(r.bytes.Sub(r.U(48), r.U(52)), image.height(), r.I(32),
                                     r.I(36), srcSize.width(), srcSize.height());
    p.Blit(image, dest, src, rop);
}

void GradientFill(Player& p, const Record& r) {
    const std::size_t vertices = r.U(24);
    const std::size_t shapes = r.U(28);
    const std::uint32_t mode = r.U(32);
    if (vertices > r.bytes.Size() / 16 || shapes > r.bytes.Size() / 8 ||
        !r.bytes.Has(36, vertices * 16)) {
        return;
    }
    auto vertex = [&](std::size_t k) { return r.Point(36 + 16 * k); };
    auto colour = [&](std::size_t k) {
        const std::size_t at = 36 + 16 * k + 8;
        return QColor(r.bytes.U16(at) >> 8, r.bytes.U16(at + 2) >> 8, r.bytes.U16(at + 4) >> 8);
    };
    const std::size_t table = 36 + vertices * 16;
    const BrushObject saved = p.Dc().brush;
    const QPen savedPen = p.Dc().pen;
    p.Dc().pen = QPen(Qt::NoPen);
    for (std::size_t s = 0; s < shapes && p.WithinBudget(); ++s) {
        if (mode == 2) { // triangles, shown in their mean colour
            const std::size_t at = table + 12 * s;
            const std::size_t a = r.U(at);
            const std::size_t b = r.U(at + 4);
            const std::size_t c = r.U(at + 8);
            if (!r.bytes.Has(at, 12) || a >= vertices || b >= vertices || c >= vertices) {
                break;
            }
            const QColor ca = colour(a);
            const QColor cb = colour(b);
            const QColor cc = colour(c);
            p.Dc().brush = {QBrush(QColor((ca.red() + cb.red() + cc.red()) / 3,
                                          (ca.green() + cb.green() + cc.green()) / 3,
                                          (ca.blue() + cb.blue() + cc.blue()) / 3)),
                            false};
            p.Polygon(QPolygonF({vertex(a), vertex(b), vertex(c)}));
            continue;
        }
        const std::size_t at = table + 8 * s;
        const std::size_t a = r.U(at);
        const std::size_t b = r.U(at + 4);
        if (!r.bytes.Has(at, 8) || a >= vertices || b >= vertices) {
            break;
        }
        const QRectF box(vertex(a), vertex(b));
        QLinearGradient g(box.topLeft(), mode == 0 ? box.topRight() : box.bottomLeft());
        g.setColorAt(0, colour(a));
        g.setColorAt(1, colour(b));
        p.Dc().brush = {QBrush(g), false};
        p.Rectangle(box);
    }
    p.Dc().brush = saved;
    p.Dc().pen = savedPen;
}

void RegionCall(Player& p, const Record& r) {
    const std::size_t cb = r.U(24);
    const std::size_t dataAt = r.type == EMR_FRAMERGN ? 40 : (r.type == EMR_FILLRGN ? 32 : 28);
    const auto region = ReadRegion(r.bytes.Sub(dataAt, cb));
    if (!region) {
        return;
    }
    const QTransform t = p.LogicalToOutput();
    const QPainterPath path = t.map(*region);
    const GdiObject* object = p.Object(r.U(28));
    const auto* brush = object != nullptr ? std::get_if<BrushObject>(object) : nullptr;
    switch (r.type) {
    case EMR_FILLRGN:
        if (brush != nullptr) {
            p.FillRegion(path, *brush);
        }
        break;
    case EMR_FRAMERGN:
        if (brush != nullptr) {
            const QSizeF stroke = r.Size(32);
            p.FrameRegion(
                path, *brush,
                QSizeF(std::abs(stroke.width() * t.m11()), std::abs(stroke.height() * t.m22())));
        }
        break;
    case EMR_PAINTRGN:
        p.FillRegion(path, p.Dc().brush);
        break;
    default:
        p.InvertRegion(path);
        break;
    }
}

void Play(Player& p, const Record& r) {
    switch (r.type) {
    case EMR_HEADER:
        break;
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
        p.PolyBezier(ReadPoints(r.bytes, 28, r.U(24), r.type == EMR_POLYBEZIER16), false);
        break;
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
        p.PolyBezier(ReadPoints(r.bytes, 28, r.U(24), r.type == EMR_POLYBEZIERTO16), true);
        break;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        p.Polygon(ReadPoints(r.bytes, 28, r.U(24), r.type == EMR_POLYGON16));
        break;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        p.Polyline(ReadPoints(r.bytes, 28, r.U(24), r.type == EMR_POLYLINE16));
        break;
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
        p.PolylineTo(ReadPoints(r.bytes, 28, r.U(24), r.type == EMR_POLYLINETO16));
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16:
        p.PolyPolyline(ReadPolyPoly(r, r.type == EMR_POLYPOLYLINE16));
        break;
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16:
        p.PolyPolygon(ReadPolyPoly(r, r.type == EMR_POLYPOLYGON16));
        break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
        const bool small = r.type == EMR_POLYDRAW16;
        const std::size_t count = r.U(24);
        const QPolygonF points = ReadPoints(r.bytes, 28, count, small);
        const std::size_t typesAt = 28 + count * (small ? 4 : 8);
        if (points.size() == static_cast<qsizetype>(count) && r.bytes.Has(typesAt, count)) {
            std::vector<std::uint8_t> types(count);
            for (std::size_t k = 0; k < count; ++k) {
                types[k] = r.bytes.U8(typesAt + k);
            }
            p.PolyDraw(points, types);
        }
        break;
    }
    case EMR_SETWINDOWEXTEX:
        p.SetWindowExt(r.Size(8));
        break;
    case EMR_SETWINDOWORGEX:
        p.SetWindowOrg(r.Point(8));
        break;
    case EMR_SETVIEWPORTEXTEX:
        p.SetViewportExt(r.Size(8));
        break;
    case EMR_SETVIEWPORTORGEX:
        p.SetViewportOrg(r.Point(8));
        break;
    case EMR_SCALEVIEWPORTEXTEX:
        p.ScaleViewportExt(r.I(8), r.I(12), r.I(16), r.I(20));
        break;
    case EMR_SCALEWINDOWEXTEX:
        p.ScaleWindowExt(r.I(8), r.I(12), r.I(16), r.I(20));
        break;
    case EMR_SETPIXELV:
        p.SetPixel(r.Point(8), ColourRef(r.U(16)));
        break;
    case EMR_SETMAPMODE:
        p.SetMapMode(r.I(8));
        break;
    case EMR_SETBKMODE:
        p.Dc().opaqueBackground = r.U(8) == 2;
        break;
    case EMR_SETPOLYFILLMODE:
        p.Dc().fillRule = r.U(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case EMR_SETROP2:
        p.Dc().rop2 = r.I(8);
        break;
    case EMR_SETTEXTALIGN:
        p.Dc().textAlign = r.U(8);
        break;
    case EMR_SETTEXTCOLOR:
        p.Dc().textColor = ColourRef(r.U(8));
        break;
    case EMR_SETBKCOLOR:
        p.Dc().bkColor = ColourRef(r.U(8));
        break;
    case EMR_OFFSETCLIPRGN:
        p.OffsetClip(r.Point(8));
        break;
    case EMR_MOVETOEX:
        p.MoveTo(r.Point(8));
        break;
    case EMR_LINETO:
        p.LineTo(r.Point(8));
        break;
    case EMR_EXCLUDECLIPRECT:
        p.ExcludeClipRect(r.Rect(8));
        break;
    case EMR_INTERSECTCLIPRECT:
        p.IntersectClipRect(r.Rect(8));
        break;
    case EMR_SAVEDC:
        p.SaveDc();
        break;
    case EMR_RESTOREDC:
        p.RestoreDc(r.I(8));
        break;
    case EMR_SETWORLDTRANSFORM:
        p.SetWorldTransform(ReadXform(r, 8));
        break;
    case EMR_MODIFYWORLDTRANSFORM:
        p.ModifyWorldTransform(ReadXform(r, 8), r.I(32));
        break;
    case EMR_SELECTOBJECT:
        SelectObject(p, r.U(8));
        break;
    case EMR_CREATEPEN:
        p.CreateObject(r.U(8), MakePen(r.U(12), r.I(16), ColourRef(r.U(24))));
        break;
    case EMR_EXTCREATEPEN:
        ExtCreatePen(p, r);
        break;
    case EMR_CREATEBRUSHINDIRECT:
        p.CreateObject(r.U(8), MakeBrush(r.U(12), ColourRef(r.U(16)), r.U(20)));
        break;
    case EMR_CREATEMONOBRUSH: {
        const Monochrome colours{p.Dc().textColor.rgb(), p.Dc().bkColor.rgb()};
        p.CreateObject(r.U(8), MakePatternBrush(RecordDib(r, 16, ColourUsage::Rgb, &colours)));
        break;
    }
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        const auto usage = r.U(12) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
        p.CreateObject(r.U(8), MakePatternBrush(RecordDib(r, 16, usage)));
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
        p.CreateObject(r.U(8), ReadFont(r));
        break;
    case EMR_CREATEPALETTE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
        p.CreateObject(r.U(8), Placeholder{});
        break;
    case EMR_DELETEOBJECT:
    case EMR_DELETECOLORSPACE:
        p.DeleteObject(r.U(8));
        break;
    case EMR_ANGLEARC:
        p.AngleArc(r.Point(8), r.U(16), r.bytes.F32(20), r.bytes.F32(24));
        break;
    case EMR_ELLIPSE:
        p.Ellipse(r.Rect(8));
        break;
    case EMR_RECTANGLE:
        p.Rectangle(r.Rect(8));
        break;
    case EMR_ROUNDRECT:
        p.RoundRect(r.Rect(8), r.Size(24));
        break;
    case EMR_ARC:
        p.Arc(r.Rect(8), r.Point(24), r.Point(32), Player::ArcKind::Arc);
        break;
    case EMR_ARCTO:
        p.Arc(r.Rect(8), r.Point(24), r.Point(32), Player::ArcKind::ArcTo);
        break;
    case EMR_CHORD:
        p.Arc(r.Rect(8), r.Point(24), r.Point(32), Player::ArcKind::Chord);
        break;
    case EMR_PIE:
        p.Arc(r.Rect(8), r.Point(24), r.Point(32), Player::ArcKind::Pie);
        break;
    case EMR_SETARCDIRECTION:
        p.Dc().clockwise = r.U(8) == 2;
        break;
    case EMR_BEGINPATH:
        p.BeginPath();
        break;
    case EMR_ENDPATH:
        p.EndPath();
        break;
    case EMR_ABORTPATH:
        p.AbortPath();
        break;
    case EMR_CLOSEFIGURE:
        p.CloseFigure();
        break;
    case EMR_FILLPATH:
        p.FillPath();
        break;
    case EMR_STROKEPATH:
        p.StrokePath();
        break;
    case EMR_STROKEANDFILLPATH:
        p.StrokeAndFillPath();
        break;
    case EMR_SELECTCLIPPATH:
        p.SelectClipPath(static_cast<ClipMode>(std::clamp<std::uint32_t>(r.U(8), 1, 5)));
        break;
    case EMR_EXTSELECTCLIPRGN: {
        const std::size_t cb = r.U(8);
        const auto mode = static_cast<ClipMode>(std::clamp<std::uint32_t>(r.U(12), 1, 5));
        if (cb == 0) {
            p.SelectClip(std::nullopt, mode);
            break;
        }
        // Clip regions are recorded in device units.
        const auto region = ReadRegion(r.bytes.Sub(16, cb));
        if (region) {
            p.SelectClip(p.DeviceToOutput().map(*region), mode);
        }
        break;
    }
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
    case EMR_PAINTRGN:
    case EMR_INVERTRGN:
        RegionCall(p, r);
        break;
    case EMR_BITBLT:
        Blit(p, r, false, false);
        break;
    case EMR_STRETCHBLT:
        Blit(p, r, true, false);
        break;
    case EMR_TRANSPARENTBLT:
        Blit(p, r, true, true);
        break;
    case EMR_ALPHABLEND:
        Blit(p, r, true, false, true);
        break;
    case EMR_STRETCHDIBITS:
        DibBits(p, r, true);
        break;
    case EMR_SETDIBITSTODEVICE:
        DibBits(p, r, false);
        break;
    case EMR_EXTTEXTOUTA:
        ExtTextOut(p, r, false);
        break;
    case EMR_EXTTEXTOUTW:
        ExtTextOut(p, r, true);
        break;
    case EMR_GRADIENTFILL:
        GradientFill(p, r);
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
        p.Note("skip emf " + std::to_string(r.type));
        break;
    }
}

template <typename Visit> bool Walk(ByteReader metafile, Visit visit) {
    std::size_t offset = 0;
    while (offset < metafile.Size()) {
        if (!metafile.Has(offset, 8)) {
            return false;
        }
        const std::size_t size = metafile.U32(offset + 4);
        if (size < 8 || size % 4 != 0 || size > metafile.Size() - offset) {
            return false;
        }
        const Record r{metafile.Sub(offset, size), metafile.U32(offset)};
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

bool EmfRecordsWalk(ByteReader metafile) {
    return Walk(metafile, [](const Record&) { return true; });
}

void PlayEmf(ByteReader metafile, Player& player) {
    Walk(metafile, [&](const Record& r) {
        player.Spend(1);
        Play(player, r);
        return player.WithinBudget();
    });
}

} // namespace qcm::pictures::metafile
