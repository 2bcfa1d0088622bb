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

    std::int16_t W(std::size_t i) const { return bytes.I16(6 + 2 * i); }
    std::uint16_t Uw(std::size_t i) const { return bytes.U16(6 + 2 * i); }
    std::uint32_t Dw(std::size_t i) const { return bytes.U32(6 + 2 * i); }
    bool HasWords(std::size_t count) const { return bytes.Has(6, 2 * count); }
    QPointF Point(std::size_t i) const { return {double(W(i + 1)), double(W(i))}; } // y, x
    // Parameters bottom, right, top, left from word i.
    QRectF Rect(std::size_t i) const {
        return QRectF(QPointF(W(i + 3), W(i + 2)), QPointF(W(i + 1), W(i)));
    }
};

QPolygonF Points(const Record& r, std::size_t firstWord, std::size_t count) {
    QPolygonF poly;
    if (!r.HasWords(firstWord + 2 * count)) {
        return poly;
    }
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        poly.append(QPointF(r.W(firstWord + 2 * i), r.W(firstWord + 2 * i + 1)));
    }
    return poly;
}

QString Ansi(ByteReader bytes, std::size_t offset, std::size_t count) {
    const ByteReader s = bytes.Sub(offset, count);
    return core::cp1252::Decode(s.View());
}

// The region object: a header, then scans of left/right pairs.
RegionObject ReadRegion(const Record& r) {
    RegionObject region;
    const int scans = r.W(5);
    const QRectF box = QRectF(QPointF(r.W(7), r.W(8)), QPointF(r.W(9), r.W(10))).normalized();
    std::vector<QRect> rects;
    std::size_t at = 11; // word index of the first scan
    std::size_t total = 0;
    for (int s = 0; s < scans; ++s) {
        const int count = r.Uw(at);
        const int top = r.W(at + 1);
        const int bottom = r.W(at + 2);
        if (!r.HasWords(at + 4 + static_cast<std::size_t>(count))) {
            break;
        }
        for (int k = 0; k + 1 < count; k += 2) {
            if (++total > kMaxRegionRects) {
                break;
            }
            const int left = r.W(at + 3 + static_cast<std::size_t>(k));
            const int right = r.W(at + 4 + static_cast<std::size_t>(k));
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
        region.path = RegionPath(rects);
    }
    return region;
}

void RegionCall(Player& p, const Record& r, std::uint16_t function) {
    const auto* region = p.Object(r.Uw(0)) ? std::get_if<RegionObject>(p.Object(r.Uw(0))) : nullptr;
    if (region == nullptr) {
        return;
    }
    const QPainterPath path = p.LogicalToOutput().map(region->path);
    const GdiObject* brushObject = p.Object(r.Uw(1));
    const auto* brush = brushObject ? std::get_if<BrushObject>(brushObject) : nullptr;
    switch (function) {
    case META_FILLREGION:
        if (brush != nullptr) {
            p.FillRegion(path, *brush);
        }
        break;
    case META_FRAMEREGION:
        if (brush != nullptr) {
            const QTransform t = p.LogicalToOutput();
            p.FrameRegion(path, *brush,
                          QSizeF(std::abs(r.W(3) * t.m11()), std::abs(r.W(2) * t.m22())));
        }
        break;
    case META_PAINTREGION:
        p.FillRegion(path, p.Dc().brush);
        break;
    default:
        p.InvertRegion(path);
        break;
    }
}

void TextOut(Player& p, const Record& r) {
    const auto count = static_cast<std::size_t>(std::max<int>(0, r.W(0)));
    const std::size_t stringWords = (count + 1) / 2;
    if (!r.HasWords(1 + stringWords + 2)) {
        return;
    }
    const QString text = Ansi(r.bytes, 8, count);
    p.Text(r.Point(1 + stringWords), text, {}, 0, std::nullopt);
}

void ExtTextOut(Player& p, const Record& r) {
    const QPointF at = r.Point(0);
    const auto count = static_cast<std::size_t>(std::max<int>(0, r.W(2)));
    const std::uint16_t options = r.Uw(3);
    std::size_t word = 4;
    std::optional<QRectF> rect;
    if ((options & 0x6) != 0 && r.HasWords(8)) {
        rect = QRectF(QPointF(r.W(4), r.W(5)), QPointF(r.W(6), r.W(7)));
        word = 8;
    }
    if (!r.HasWords(word) || !r.bytes.Has(6 + 2 * word, count)) {
        if (rect) {
            p.Text(at, QString(), {}, options, rect);
        }
        return;
    }
    const QString text = Ansi(r.bytes, 6 + 2 * word, count);
    std::vector<double> dx;
    const std::size_t dxWord = word + (count + 1) / 2;
    if (r.HasWords(dxWord + count)) {
        dx.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            dx.push_back(r.W(dxWord + i));
        }
    }
    p.Text(at, text, dx, options, rect);
}

LogFont ReadFont(const Record& r) {
    LogFont f;
    f.height = r.W(0);
    f.width = r.W(1);
    f.escapement = r.W(2);
    f.weight = r.W(4);
    f.italic = r.bytes.U8(16) != 0;
    f.underline = r.bytes.U8(17) != 0;
    f.strikeOut = r.bytes.U8(18) != 0;
    f.charSet = r.bytes.U8(19);
    const ByteReader face =
        r.bytes.Sub(24, std::min<std::size_t>(32, r.bytes.Size() > 24 ? r.bytes.Size() - 24 : 0));
    std::size_t length = 0;
    while (length < face.Size() && face.U8(length) != 0) {
        ++length;
    }
    f.face = core::cp1252::Decode(face.Sub(0, length).View());
    return f;
}

// Blits that carry a DIB: the source rectangle, destination and the DIB's offset.
void DibBlit(Player& p, const Record& r, std::size_t dibByte, QRectF src, QRectF dest,
             std::uint32_t rop, bool dibCoordinates, ColourUsage usage) {
    const ByteReader dib = r.bytes.From(dibByte);
    const QImage image = DecodePackedDib(dib, usage);
    if (image.isNull()) {
        p.PatBlt(dest, rop);
        return;
    }
    if (dibCoordinates) {
        src = DibSourceRect(dib, image.height(), src.x(), src.y(), src.width(), src.height());
    }
    p.Blit(image, dest, src, rop);
}

void Play(Player& p, const Record& r) {
    switch (r.function) {
    case META_SAVEDC:
        p.SaveDc();
        break;
    case META_RESTOREDC:
        p.RestoreDc(r.W(0));
        break;
    case META_SETBKMODE:
        p.Dc().opaqueBackground = r.Uw(0) == 2;
        break;
    case META_SETMAPMODE:
        p.SetMapMode(r.Uw(0));
        break;
    case META_SETROP2:
        p.Dc().rop2 = r.Uw(0);
        break;
    case META_SETPOLYFILLMODE:
        p.Dc().fillRule = r.Uw(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case META_SETTEXTALIGN:
        p.Dc().textAlign = r.Uw(0);
        break;
    case META_SETBKCOLOR:
        p.Dc().bkColor = ColourRef(r.Dw(0));
        break;
    case META_SETTEXTCOLOR:
        p.Dc().textColor = ColourRef(r.Dw(0));
        break;
    case META_SETWINDOWORG:
        p.SetWindowOrg(r.Point(0));
        break;
    case META_SETWINDOWEXT:
        p.SetWindowExt(QSizeF(r.W(1), r.W(0)));
        break;
    case META_SETVIEWPORTORG:
        p.SetViewportOrg(r.Point(0));
        break;
    case META_SETVIEWPORTEXT:
        p.SetViewportExt(QSizeF(r.W(1), r.W(0)));
        break;
    case META_OFFSETWINDOWORG:
        p.SetWindowOrg(p.Dc().windowOrg + r.Point(0));
        break;
    case META_OFFSETVIEWPORTORG:
        p.SetViewportOrg(p.Dc().viewportOrg + r.Point(0));
        break;
    case META_SCALEWINDOWEXT:
        p.ScaleWindowExt(r.W(3), r.W(2), r.W(1), r.W(0));
        break;
    case META_SCALEVIEWPORTEXT:
        p.ScaleViewportExt(r.W(3), r.W(2), r.W(1), r.W(0));
        break;
    case META_MOVETO:
        p.MoveTo(r.Point(0));
        break;
    case META_LINETO:
        p.LineTo(r.Point(0));
        break;
    case META_POLYLINE:
    case META_POLYGON: {
        const int count = r.W(0);
        const QPolygonF poly =
            count > 0 ? Points(r, 1, static_cast<std::size_t>(count)) : QPolygonF();
        if (r.function == META_POLYLINE) {
            p.Polyline(poly);
        } else {
            p.Polygon(poly);
        }
        break;
    }
    case META_POLYPOLYGON: {
        const int polygons = r.W(0);
        if (polygons <= 0 || !r.HasWords(1 + static_cast<std::size_t>(polygons))) {
            break;
        }
        std::vector<QPolygonF> list;
        std::size_t word = 1 + static_cast<std::size_t>(polygons);
        for (int i = 0; i < polygons; ++i) {
            const std::size_t count = r.Uw(1 + static_cast<std::size_t>(i));
            if (!r.HasWords(word + 2 * count)) {
                list.clear();
                break;
            }
            list.push_back(Points(r, word, count));
            word += 2 * count;
        }
        p.PolyPolygon(list);
        break;
    }
    case META_RECTANGLE:
        p.Rectangle(r.Rect(0));
        break;
    case META_ROUNDRECT:
        p.RoundRect(r.Rect(2), QSizeF(r.W(1), r.W(0)));
        break;
    case META_ELLIPSE:
        p.Ellipse(r.Rect(0));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
        const auto kind = r.function == META_ARC   ? Player::ArcKind::Arc
                          : r.function == META_PIE ? Player::ArcKind::Pie
                                                   : Player::ArcKind::Chord;
        p.Arc(r.Rect(4), r.Point(2), r.Point(0), kind);
        break;
    }
    case META_SETPIXEL:
        p.SetPixel(r.Point(2), ColourRef(r.Dw(0)));
        break;
    case META_TEXTOUT:
        TextOut(p, r);
        break;
    case META_EXTTEXTOUT:
        ExtTextOut(p, r);
        break;
    case META_CREATEPENINDIRECT:
        p.CreateObjectInFreeSlot(MakePen(r.Uw(0), r.W(1), ColourRef(r.Dw(3))));
        break;
    case META_CREATEBRUSHINDIRECT:
        p.CreateObjectInFreeSlot(MakeBrush(r.Uw(0), ColourRef(r.Dw(1)), r.Uw(3)));
        break;
    case META_CREATEFONTINDIRECT:
        p.CreateObjectInFreeSlot(ReadFont(r));
        break;
    case META_DIBCREATEPATTERNBRUSH: {
        const auto usage = r.Uw(1) == 1 && r.Uw(0) != 3 ? ColourUsage::Palette : ColourUsage::Rgb;
        p.CreateObjectInFreeSlot(MakePatternBrush(DecodePackedDib(r.bytes.From(10), usage)));
        break;
    }
    case META_CREATEPATTERNBRUSH:
        p.CreateObjectInFreeSlot(MakeBrush(3, Qt::gray, 0));
        break;
    case META_CREATEPALETTE:
        p.CreateObjectInFreeSlot(Placeholder{});
        break;
    case META_CREATEREGION:
        p.CreateObjectInFreeSlot(ReadRegion(r));
        break;
    case META_SELECTOBJECT:
        p.SelectObject(r.Uw(0));
        break;
    case META_SELECTCLIPREGION: {
        // Only a region may become the clip; another kind of handle is ignored.
        const GdiObject* o = p.Object(r.Uw(0));
        if (o != nullptr && std::holds_alternative<RegionObject>(*o)) {
            p.SelectObject(r.Uw(0));
        }
        break;
    }
    case META_DELETEOBJECT:
        p.DeleteObject(r.Uw(0));
        break;
    case META_INTERSECTCLIPRECT:
        p.IntersectClipRect(r.Rect(0));
        break;
    case META_EXCLUDECLIPRECT:
        p.ExcludeClipRect(r.Rect(0));
        break;
    case META_OFFSETCLIPRGN:
        p.OffsetClip(r.Point(0));
        break;
    case META_FILLREGION:
    case META_FRAMEREGION:
    case META_PAINTREGION:
    case META_INVERTREGION:
        RegionCall(p, r, r.function);
        break;
    case META_PATBLT:
        p.PatBlt(QRectF(r.W(5), r.W(4), r.W(3), r.W(2)), r.Dw(0));
        break;
    case META_DIBBITBLT: {
        const bool withDib = r.words != static_cast<std::size_t>(r.function >> 8) + 3;
        const std::size_t d = withDib ? 4 : 5; // word of the height
        const QRectF dest(r.W(d + 3), r.W(d + 2), r.W(d + 1), r.W(d));
        const QRectF src(r.W(3), r.W(2), r.W(d + 1), r.W(d));
        if (withDib) {
            DibBlit(p, r, 6 + 2 * 8, src, dest, r.Dw(0), false, ColourUsage::Rgb);
        } else {
            p.PatBlt(dest, r.Dw(0));
        }
        break;
    }
    case META_DIBSTRETCHBLT: {
        const bool withDib = r.words != static_cast<std::size_t>(r.function >> 8) + 3;
        const std::size_t d = withDib ? 6 : 7; // word of the destination height
        const QRectF dest(r.W(d + 3), r.W(d + 2), r.W(d + 1), r.W(d));
        const QRectF src(r.W(5), r.W(4), r.W(3), r.W(2));
        if (withDib) {
            DibBlit(p, r, 6 + 2 * 10, src, dest, r.Dw(0), false, ColourUsage::Rgb);
        } else {
            p.PatBlt(dest, r.Dw(0));
        }
        break;
    }
    case META_STRETCHDIB: {
        const QRectF dest(r.W(10), r.W(9), r.W(8), r.W(7));
        const QRectF src(r.W(6), r.W(5), r.W(4), r.W(3));
        const auto usage = r.Uw(2) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
        DibBlit(p, r, 6 + 2 * 11, src, dest, r.Dw(0), true, usage);
        break;
    }
    case META_SETDIBTODEV: {
        const QRectF dest(r.W(8), r.W(7), r.W(6), r.W(5));
        const QRectF src(r.W(4), r.W(3), r.W(6), r.W(5));
        const auto usage = r.Uw(0) == 1 ? ColourUsage::Palette : ColourUsage::Rgb;
        DibBlit(p, r, 6 + 2 * 9, src, dest, 0x00CC0020, true, usage);
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
        p.Note("skip wmf " + std::to_string(r.function));
        break;
    }
}

template <typename Visit> bool Walk(ByteReader metafile, Visit visit) {
    std::size_t offset = kHeaderBytes;
    while (offset < metafile.Size()) {
        if (!metafile.Has(offset, 6)) {
            return false;
        }
        const std::uint64_t words = metafile.U32(offset);
        if (words < 3 || words * 2 > metafile.Size() - offset) {
            return false;
        }
        Record r{metafile.Sub(offset, static_cast<std::size_t>(words * 2)),
                 metafile.U16(offset + 4), static_cast<std::size_t>(words)};
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

bool WmfRecordsWalk(ByteReader metafile) {
    const std::uint16_t type = metafile.U16(0);
    if (!metafile.Has(0, kHeaderBytes) || (type != 1 && type != 2) || metafile.U16(2) != 9) {
        return false;
    }
    return Walk(metafile, [](const Record&) { return true; });
}

void PlayWmf(ByteReader metafile, Player& player) {
    Walk(metafile, [&](const Record& r) {
        player.Spend(1);
        Play(player, r);
        return player.WithinBudget();
    });
}

QRectF DibSourceRect(ByteReader info, int imageHeight, double x, double y, double w, double h) {
    const bool bottomUp = info.U32(0) == 12 || info.I32(8) > 0;
    if (bottomUp) {
        y = imageHeight - y - h;
    }
    return {x, y, w, h};
}

} // namespace qcm::pictures::metafile
