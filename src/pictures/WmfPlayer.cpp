#include "MetafileDib.h"
#include "MetafileFormats.h"
#include "MetafilePlayer.h"

#include "core/Cp1252.h"

namespace qcm::pictures::metafile {

namespace {

enum WmfRecord : std::uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETRELABS = 0x0105,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_SETTEXTCHAREXTRA = 0x0108,
    META_RESTOREDC = 0x0127,
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_RESIZEPALETTE = 0x0139,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_SETLAYOUT = 0x0149,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETTEXTJUSTIFICATION = 0x020A,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_SETMAPPERFLAGS = 0x0231,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_FLOODFILL = 0x0419,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_FRAMEREGION = 0x0429,
    META_ANIMATEPALETTE = 0x0436,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_EXTFLOODFILL = 0x0548,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_ESCAPE = 0x0626,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_BITBLT = 0x0922,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHBLT = 0x0B23,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

constexpr std::size_t kHeaderBytes = 18;
constexpr std::size_t kMaxRegionRects = 100000;

// One record: 32-bit size in words, 16-bit function, then 16-bit parameters.
struct Record {
    ByteReader bytes;
    std::uint16_t function = 0;
    std::size_t words = 0;

    std::int16_t w(std::size_t i) const { return bytes.i16(6 + 2 * i); }
    std::uint16_t uw(std::size_t i) const { return bytes.u16(6 + 2 * i); }
    std::uint32_t dw(std::size_t i) const { return bytes.u32(6 + 2 * i); }
    bool hasWords(std::size_t count) const { return bytes.has(6, 2 * count); }
    QPointF point(std::size_t i) const { return {double(w(i + 1)), double(w(i))}; } // y, x
    // Parameters bottom, right, top, left from word i.
    QRectF rect(std::size_t i) const {
        return QRectF(QPointF(w(i + 3), w(i + 2)), QPointF(w(i + 1), w(i)));
    }
};

QPolygonF points(const Record& r, std::size_t firstWord, std::size_t count) {
    QPolygonF poly;
    if (!r.hasWords(firstWord + 2 * count)) {
        return poly;
    }
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        poly.append(QPointF(r.w(firstWord + 2 * i), r.w(firstWord + 2 * i + 1)));
    }
    return poly;
}

QString ansi(ByteReader bytes, std::size_t offset, std::size_t count) {
    const ByteReader s = bytes.sub(offset, count);
    return core::cp1252::decode(s.view());
}

// The region object: a header, then scans of left/right pairs.
RegionObject readRegion(const Record& r) {
    RegionObject region;
    const int scans = r.w(5);
    const QRectF box = QRectF(QPointF(r.w(7), r.w(8)), QPointF(r.w(9), r.w(10))).normalized();
    std::vector<QRect> rects;
    std::size_t at = 11; // word index of the first scan
    std::size_t total = 0;
    for (int s = 0; s < scans; ++s) {
        const int count = r.uw(at);
        const int top = r.w(at + 1);
        const int bottom = r.w(at + 2);
        if (!r.hasWords(at + 4 + static_cast<std::size_t>(count))) {
            break;
        }
        for (int k = 0; k + 1 < count; k += 2) {
            if (++total > kMaxRegionRects) {
                break;
            }
            const int left = r.w(at + 3 + static_cast<std::size_t>(k));
            const int right = r.w(at + 4 + static_cast<std::size_t>(k));
            const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
            if (rect.isValid()) {
                rects.push_back(rect);
            }
        }
        at += 4 + static_cast<std::size_t>(count);
    }
    if (rects.empty()) {
        region.path.addRect(box);
    } else {
        region.path = regionPath(rects);
    }
    return region;
}

void regionCall(Player& p, const Record& r, std::uint16_t function) {
    const auto* region = p.object(r.uw(0)) ? std::get_if<RegionObject>(p.object(r.uw(0))) : nullptr;
    if (region == nullptr) {
        return;
    }
    const QPainterPath path = p.logicalToOutput().map(region->path);
    const GdiObject* brushObject = p.object(r.uw(1));
    const auto* brush = brushObject ? std::get_if<BrushObject>(brushObject) : nullptr;
    switch (function) {
    case META_FILLREGION:
        if (brush != nullptr) {
            p.fillRegion(path, *brush);
        }
        break;
    case META_FRAMEREGION:
        if (brush != nullptr) {
            const QTransform t = p.logicalToOutput();
            p.frameRegion(path, *brush,
                          QSizeF(std::abs(r.w(3) * t.m11()), std::abs(r.w(2) * t.m22())));
        }
        break;
    case META_PAINTREGION:
        p.fillRegion(path, p.dc().brush);
        break;
    default:
        p.invertRegion(path);
        break;
    }
}

void textOut(Player& p, const Record& r) {
    const auto count = static_cast<std::size_t>(std::max<int>(0, r.w(0)));
    const std::size_t stringWords = (count + 1) / 2;
    if (!r.hasWords(1 + stringWords + 2)) {
        return;
    }
    const QString text = ansi(r.bytes, 8, count);
    p.text(r.point(1 + stringWords), text, {}, 0, std::nullopt);
}

void extTextOut(Player& p, const Record& r) {
    const QPointF at = r.point(0);
    const auto count = static_cast<std::size_t>(std::max<int>(0, r.w(2)));
    const std::uint16_t options = r.uw(3);
    std::size_t word = 4;
    std::optional<QRectF> rect;
    if ((options & 0x6) != 0 && r.hasWords(8)) {
        rect = QRectF(QPointF(r.w(4), r.w(5)), QPointF(r.w(6), r.w(7)));
        word = 8;
    }
    if (!r.hasWords(word) || !r.bytes.has(6 + 2 * word, count)) {
        if (rect) {
            p.text(at, QString(), {}, options, rect);
        }
        return;
    }
    const QString text = ansi(r.bytes, 6 + 2 * word, count);
    std::vector<double> dx;
    const std::size_t dxWord = word + (count + 1) / 2;
    if (r.hasWords(dxWord + count)) {
        dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            dx.push_back(r.w(dxWord + i));
        }
    }
    p.text(at, text, dx, options, rect);
}

LogFont readFont(const Record& r) {
    LogFont f;
    f.height = r.w(0);
    f.width = r.w(1);
    f.escapement = r.w(2);
    f.weight = r.w(4);
    f.italic = r.bytes.u8(16) != 0;
    f.underline = r.bytes.u8(17) != 0;
    f.strikeOut = r.bytes.u8(18) != 0;
    f.charSet = r.bytes.u8(19);
    const ByteReader face =
        r.bytes.sub(24, std::min<std::size_t>(32, r.bytes.size() > 24 ? r.bytes.size() - 24 : 0));
    std::size_t length = 0;
    while (length < face.size() && face.u8(length) != 0) {
        ++length;
    }
    f.face = core::cp1252::decode(face.sub(0, length).view());
    return f;
}

// Blits that carry a DIB: the source rectangle, destination and the DIB's offset.
void dibBlit(Player& p, const Record& r, std::size_t dibByte, QRectF src, QRectF dest,
             std::uint32_t rop, bool dibCoordinates, ColourUsage usage) {
    const ByteReader dib = r.bytes.from(dibByte);
    const QImage image = decodePackedDib(dib, usage);
    if (image.isNull()) {
        p.patBlt(dest, rop);
        return;
    }
    if (dibCoordinates) {
        src = dibSourceRect(dib, image.height(), src.x(), src.y(), src.width(), src.height());
    }
    p.blit(image, dest, src, rop);
}

void play(Player& p, const Record& r) {
    switch (r.function) {
    case META_SAVEDC:
        p.saveDc();
        break;
    case META_RESTOREDC:
        p.restoreDc(r.w(0));
        break;
    case META_SETBKMODE:
        p.dc().opaqueBackground = r.uw(0) == 2;
        break;
    case META_SETMAPMODE:
        p.setMapMode(r.uw(0));
        break;
    case META_SETROP2:
        p.dc().rop2 = r.uw(0);
        break;
    case META_SETPOLYFILLMODE:
        p.dc().fillRule = r.uw(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case META_SETTEXTALIGN:
        p.dc().textAlign = r.uw(0);
        break;
    case META_SETBKCOLOR:
        p.dc().bkColor = colourRef(r.dw(0));
        break;
    case META_SETTEXTCOLOR:
        p.dc().textColor = colourRef(r.dw(0));
        break;
    case META_SETWINDOWORG:
        p.setWindowOrg(r.point(0));
        break;
    case META_SETWINDOWEXT:
        p.setWindowExt(QSizeF(r.w(1), r.w(0)));
        break;
    case META_SETVIEWPORTORG:
        p.setViewportOrg(r.point(0));
        break;
    case META_SETVIEWPORTEXT:
        p.setViewportExt(QSizeF(r.w(1), r.w(0)));
        break;
    case META_OFFSETWINDOWORG:
        p.setWindowOrg(p.dc().windowOrg + r.point(0));
        break;
    case META_OFFSETVIEWPORTORG:
        p.setViewportOrg(p.dc().viewportOrg + r.point(0));
        break;
    case META_SCALEWINDOWEXT:
        p.scaleWindowExt(r.w(3), r.w(2), r.w(1), r.w(0));
        break;
    case META_SCALEVIEWPORTEXT:
        p.scaleViewportExt(r.w(3), r.w(2), r.w(1), r.w(0));
        break;
    case META_MOVETO:
        p.moveTo(r.point(0));
        break;
    case META_LINETO:
        p.lineTo(r.point(0));
        break;
    case META_POLYLINE:
    case META_POLYGON: {
        const int count = r.w(0);
        const QPolygonF poly =
            count > 0 ? points(r, 1, static_cast<std::size_t>(count)) : QPolygonF();
        if (r.function == META_POLYLINE) {
            p.polyline(poly);
        } else {
            p.polygon(poly);
        }
        break;
    }
    case META_POLYPOLYGON: {
        const int polygons = r.w(0);
        if (polygons <= 0 || !r.hasWords(1 + static_cast<std::size_t>(polygons))) {
            break;
        }
        std::vector<QPolygonF> list;
        std::size_t word = 1 + static_cast<std::size_t>(polygons);
        for (int i = 0; i < polygons; ++i) {
            const std::size_t count = r.uw(1 + static_cast<std::size_t>(i));
            if (!r.hasWords(word + 2 * count)) {
                list.clear();
                break;
            }
            list.push_back(points(r, word, count));
            word += 2 * count;
        }
        p.polyPolygon(list);
        break;
    }
    case META_RECTANGLE:
        p.rectangle(r.rect(0));
        break;
    case META_ROUNDRECT:
        p.roundRect(r.rect(2), QSizeF(r.w(1), r.w(0)));
        break;
    case META_ELLIPSE:
        p.ellipse(r.rect(0));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
        const auto kind = r.function == META_ARC   ? Player::ArcKind::Arc
                          : r.function == META_PIE ? Player::ArcKind::Pie
                                                   : Player::ArcKind::Chord;
        p.arc(r.rect(4), r.point(2), r.point(0), kind);
        break;
    }
    case META_SETPIXEL:
        p.setPixel(r.point(2), colourRef(r.dw(0)));
        break;
    case META_TEXTOUT:
        textOut(p, r);
        break;
    case META_EXTTEXTOUT:
        extTextOut(p, r);
        break;
    case META_CREATEPENINDIRECT:
        p.createObjectInFreeSlot(makePen(r.uw(0), r.w(1), colourRef(r.dw(3))));
        break;
    case META_CREATEBRUSHINDIRECT:
        p.createObjectInFreeSlot(makeBrush(r.uw(0), colourRef(r.dw(1)), r.uw(3)));
        break;
    case META_CREATEFONTINDIRECT:
        p.createObjectInFreeSlot(readFont(r));
        break;
    case META_DIBCREATEPATTERNBRUSH: {
        const auto usage = r.uw(1) == 1 && r.uw(0) != 3 ? ColourUsage::Palette : ColourUsage::Rgb;
        p.createObjectInFreeSlot(makePatternBrush(decodePackedDib(r.bytes.from(10), usage)));
        break;
    }
    case META_CREATEPATTERNBRUSH:
        p.createObjectInFreeSlot(makeBrush(3, Qt::gray, 0));
        break;
    case META_CREATEPALETTE:
        p.createObjectInFreeSlot(Placeholder{});
        break;
    case META_CREATEREGION:
        p.createObjectInFreeSlot(readRegion(r));
        break;
    case META_SELECTOBJECT:
        p.selectObject(r.uw(0));
        break;
    case META_SELECTCLIPREGION: {
        // Only a region may become the clip; another kind of handle is ignored.
        const GdiObject* o = p.object(r.uw(0));
        if (o != nullptr && std::holds_alternative<RegionObject>(*o)) {
            p.selectObject(r.uw(0));
        }
        break;
    }
    case META_DELETEOBJECT:
        p.deleteObject(r.uw(0));
        break;
    case META_INTERSECTCLIPRECT:
        p.intersectClipRect(r.rect(0));
        break;
    case META_EXCLUDECLIPRECT:
        p.excludeClipRect(r.rect(0));
        break;
    case META_OFFSETCLIPRGN:
        p.offsetClip(r.point(0));
        break;
    case META_FILLREGION:
    case META_FRAMEREGION:
    case META_PAINTREGION:
    case META_INVERTREGION:
        regionCall(p, r, r.function);
        break;
    case META_PATBLT:
        p.patBlt(QRectF(r.w(5), r.w(4), r.w(3), r.w(2)), r.dw(0));
        break;
    case META_DIBBITBLT: {
        const bool withDib = r.words != static_cast<std::size_t>(r.function >> 8) + 3;
        const std::size_t d = withDib ? 4 : 5; // word of the height
        const QRectF dest(r.w(d + 3), r.w(d + 2), r.w(d + 1), r.w(d));
        const QRectF src(r.w(3), r.w(2), r.w(d + 1), r.w(d));
        if (withDib) {
            dibBlit(p, r, 6 + 2 * 8, src, dest, r.dw(0), false, ColourUsage::Rgb);
        } else {
            p.patBlt(dest, r.dw(0));
        }
        break;
    }
    case META_DIBSTRETCHBLT: {
        const bool withDib = r.words != static_cast<std::size_t>(r.function >> 8) + 3;
        const std::size_t d = withDib ? 6 : 7; // word of the destination height
        const QRectF dest(r.w(d + 3), r.w(d + 2), r.w(d + 1), r.w(d));
        const QRectF src(r.w(5), r.w(4), r.w(3), r.w(2));
        if (withDib) {
            dibBlit(p, r, 6 + 2 * 10, src, dest, r.dw(0), false, ColourUsage::Rgb);
        } else {
            p.patBlt(dest, r.dw(0));
        }
        break;
    }
    case META_STRETCHDIB: {
        const QRectF dest(r.w(10), r.w(9), r.w(8), r.w(7));
        const QRectF src(r.w(6), r.w(5), r.w(4), r.w(3));
        const auto usage = r.uw(2) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
        dibBlit(p, r, 6 + 2 * 11, src, dest, r.dw(0), true, usage);
        break;
    }
    case META_SETDIBTODEV: {
        const QRectF dest(r.w(8), r.w(7), r.w(6), r.w(5));
        const QRectF src(r.w(4), r.w(3), r.w(6), r.w(5));
        const auto usage = r.uw(0) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
        dibBlit(p, r, 6 + 2 * 9, src, dest, 0x00CC0020, true, usage);
        break;
    }
    case META_REALIZEPALETTE:
    case META_SETPALENTRIES:
    case META_SETRELABS:
    case META_SETSTRETCHBLTMODE:
    case META_SETTEXTCHAREXTRA:
    case META_RESIZEPALETTE:
    case META_SETLAYOUT:
    case META_SETTEXTJUSTIFICATION:
    case META_SETMAPPERFLAGS:
    case META_SELECTPALETTE:
    case META_ANIMATEPALETTE:
    case META_ESCAPE:
    case META_FLOODFILL:
    case META_EXTFLOODFILL:
    case META_BITBLT:
    case META_STRETCHBLT:
        break; // no visible effect we can reproduce
    default:
        p.note("skip wmf " + std::to_string(r.function));
        break;
    }
}

template <typename Visit> bool walk(ByteReader metafile, Visit visit) {
    std::size_t offset = kHeaderBytes;
    while (offset < metafile.size()) {
        if (!metafile.has(offset, 6)) {
            return false;
        }
        const std::uint64_t words = metafile.u32(offset);
        if (words < 3 || words * 2 > metafile.size() - offset) {
            return false;
        }
        Record r{metafile.sub(offset, static_cast<std::size_t>(words * 2)),
                 metafile.u16(offset + 4), static_cast<std::size_t>(words)};
        if (r.function == META_EOF) {
            return true;
        }
        if (!visit(r)) {
            return true;
        }
        offset += static_cast<std::size_t>(words * 2);
    }
    return true;
}

} // namespace

bool wmfRecordsWalk(ByteReader metafile) {
    const std::uint16_t type = metafile.u16(0);
    if (!metafile.has(0, kHeaderBytes) || (type != 1 && type != 2) || metafile.u16(2) != 9) {
        return false;
    }
    return walk(metafile, [](const Record&) { return true; });
}

void playWmf(ByteReader metafile, Player& player) {
    walk(metafile, [&](const Record& r) {
        player.spend(1);
        play(player, r);
        return player.withinBudget();
    });
}

QRectF dibSourceRect(ByteReader info, int imageHeight, double x, double y, double w, double h) {
    const bool bottomUp = info.u32(0) == 12 || info.i32(8) > 0;
    if (bottomUp) {
        y = imageHeight - y - h;
    }
    return {x, y, w, h};
}

} // namespace qcm::pictures::metafile
