#include "MetafilePlayer.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qcm::pictures::metafile {

namespace {

constexpr std::size_t kMaxObjects = 65536;
constexpr std::size_t kMaxSavedStates = 4096;
constexpr int kMaxClipChanges = 20000;
constexpr int kMaxClipElements = 50000;
constexpr double kFixedCost = 200;
constexpr int kMaxTextLength = 16384;
constexpr double kMaxFontPixels = 20000;

bool Finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy()) &&
           std::isfinite(t.m13()) && std::isfinite(t.m23()) && std::isfinite(t.m33());
}

bool Usable(const QTransform& t) {
    return Finite(t) && t.isInvertible() && std::abs(t.determinant()) > 1e-300;
}

double Area(const QRectF& r) {
    return std::max(0.0, r.width()) * std::max(0.0, r.height());
}

QPainterPath RectPath(const QRectF& r) {
    QPainterPath p;
    p.addRect(r);
    return p;
}

// GDI arcs are given by the points where rays from the centre cross the
// ellipse; Qt wants the parametric angle, counter-clockwise in degrees.
double ParametricAngle(const QRectF& box, QPointF p) {
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    const QPointF c = box.center();
    const double dx = rx != 0 ? (p.x() - c.x()) / rx : 0;
    const double dy = ry != 0 ? -(p.y() - c.y()) / ry : 0;
    if (dx == 0 && dy == 0) {
        return 0;
    }
    return std::atan2(dy, dx) * 180 / std::numbers::pi;
}

QTransform LinearPart(const QTransform& t) {
    return {t.m11(), t.m12(), t.m21(), t.m22(), 0, 0};
}

} // namespace

QColor ColourRef(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

QPainterPath RegionPath(const std::vector<QRect>& rects) {
    constexpr std::size_t kMaxUnsorted = 2000;
    bool banded = true;
    for (std::size_t k = 1; k < rects.size() && banded; ++k) {
        const QRect& a = rects[k - 1];
        const QRect& b = rects[k];
        banded = b.top() > a.top() ||
                 (b.top() == a.top() && b.bottom() == a.bottom() && b.left() > a.right());
        banded = banded && (b.top() > a.bottom() || b.top() == a.top());
    }
    QRegion region;
    if (banded) {
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    } else {
        for (std::size_t k = 0; k < rects.size() && k < kMaxUnsorted; ++k) {
            region += rects[k];
        }
    }
    QPainterPath path;
    path.addRegion(region);
    return path;
}

QPen MakePen(std::uint32_t style, double width, QColor colour, const std::vector<double>& dashes) {
    const std::uint32_t kind = style & 0xF;
    if (kind == 5) { // PS_NULL
        return QPen(Qt::NoPen);
    }
    QPen pen(colour);
    if (!std::isfinite(width) || width <= 0) {
        pen.setWidth(0);
    } else {
        pen.setWidthF(std::min(width, 32000.0)); // Qt refuses wider pens
    }
    switch (kind) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
    case 8: // PS_ALTERNATE
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    case 7: { // PS_USERSTYLE: lengths in logical units, Qt counts in pen widths
        QList<qreal> pattern;
        const double unit = pen.widthF() > 0 ? pen.widthF() : 1;
        for (double d : dashes) {
            pattern.append(std::clamp(d / unit, 0.1, 1000.0));
        }
        if (pattern.size() % 2 == 1) {
            pattern.append(pattern.back());
        }
        if (!pattern.isEmpty()) {
            pen.setDashPattern(pattern);
        }
        break;
    }
    default:
        break;
    }
    switch (style & 0xF00) {
    case 0x100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return pen;
}

BrushObject MakeBrush(std::uint32_t style, QColor colour, std::uint32_t hatch) {
    switch (style) {
    case 1: // BS_NULL
        return {QBrush(Qt::NoBrush), false};
    case 2: { // BS_HATCHED
        static constexpr Qt::BrushStyle kHatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                      Qt::FDiagPattern, Qt::BDiagPattern,
                                                      Qt::CrossPattern, Qt::DiagCrossPattern};
        return {QBrush(colour, hatch < 6 ? kHatches[hatch] : Qt::SolidPattern), hatch < 6};
    }
    case 3: // a pattern whose bitmap we do not have: a mid grey
        return {QBrush(QColor(128, 128, 128)), false};
    default:
        return {QBrush(colour), false};
    }
}

BrushObject MakePatternBrush(const QImage& pattern) {
    if (pattern.isNull()) {
        return {QBrush(QColor(128, 128, 128)), false};
    }
    return {QBrush(pattern), false};
}

Player::Player(QPainter& painter, const QTransform& deviceToOutput, const QRectF& output)
    : painter_(painter), deviceToOutput_(deviceToOutput), output_(output) {
    painter_.save();
    entryTransform_ = painter_.worldTransform();
    outputClip_ = RectPath(output_);
    if (painter_.hasClipping()) {
        outputClip_ = outputClip_.intersected(painter_.clipPath());
    }
    rasterOps_ = painter_.paintEngine() != nullptr &&
                 painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    ApplyClip();
}

Player::~Player() {
    painter_.restore();
}

void Player::SetDeviceResolution(double pixelsPerMmX, double pixelsPerMmY) {
    if (std::isfinite(pixelsPerMmX) && std::isfinite(pixelsPerMmY) && pixelsPerMmX > 0 &&
        pixelsPerMmY > 0) {
        pixelsPerMmX_ = pixelsPerMmX;
        pixelsPerMmY_ = pixelsPerMmY;
    }
}

void Player::SetMapMode(int mode) {
    if (!mappingLocked_ && mode >= MM_TEXT && mode <= MM_ANISOTROPIC) {
        dc_.mapMode = mode;
    }
}

void Player::SetViewportOrg(QPointF p) {
    if (!mappingLocked_) {
        dc_.viewportOrg = p;
    }
}

// Zero extents are refused, as GDI refuses them: they would divide by zero.
void Player::SetWindowExt(QSizeF s) {
    if (s.width() != 0 && s.height() != 0 && std::isfinite(s.width()) &&
        std::isfinite(s.height())) {
        dc_.windowExt = s;
    }
}

void Player::SetViewportExt(QSizeF s) {
    if (!mappingLocked_ && s.width() != 0 && s.height() != 0 && std::isfinite(s.width()) &&
        std::isfinite(s.height())) {
        dc_.viewportExt = s;
    }
}

void Player::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom != 0 && yDenom != 0) {
        SetWindowExt(
            QSizeF(dc_.windowExt.width() * xNum / xDenom, dc_.windowExt.height() * yNum / yDenom));
    }
}

void Player::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom != 0 && yDenom != 0) {
        SetViewportExt(QSizeF(dc_.viewportExt.width() * xNum / xDenom,
                              dc_.viewportExt.height() * yNum / yDenom));
    }
}

void Player::SetWorldTransform(const QTransform& t) {
    if (Usable(t)) {
        dc_.world = t;
    }
}

void Player::ModifyWorldTransform(const QTransform& t, int mode) {
    switch (mode) {
    case 1: // MWT_IDENTITY
        dc_.world.reset();
        break;
    case 2: // MWT_LEFTMULTIPLY
        SetWorldTransform(t * dc_.world);
        break;
    case 3: // MWT_RIGHTMULTIPLY
        SetWorldTransform(dc_.world * t);
        break;
    case 4: // MWT_SET
        SetWorldTransform(t);
        break;
    default:
        break;
    }
}

QTransform Player::PageTransform() const {
    double sx = 1;
    double sy = 1;
    const double mmPerUnit[] = {0, 0, 0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
    switch (dc_.mapMode) {
    case MM_LOMETRIC:
    case MM_HIMETRIC:
    case MM_LOENGLISH:
    case MM_HIENGLISH:
    case MM_TWIPS:
        sx = mmPerUnit[dc_.mapMode] * pixelsPerMmX_;
        sy = -mmPerUnit[dc_.mapMode] * pixelsPerMmY_;
        break;
    case MM_ISOTROPIC: {
        sx = dc_.viewportExt.width() / dc_.windowExt.width();
        sy = dc_.viewportExt.height() / dc_.windowExt.height();
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
        break;
    }
    case MM_ANISOTROPIC:
        sx = dc_.viewportExt.width() / dc_.windowExt.width();
        sy = dc_.viewportExt.height() / dc_.windowExt.height();
        break;
    default:
        break;
    }
    return {sx,
            0,
            0,
            sy,
            dc_.viewportOrg.x() - dc_.windowOrg.x() * sx,
            dc_.viewportOrg.y() - dc_.windowOrg.y() * sy};
}

QTransform Player::LogicalToOutput() const {
    return dc_.world * PageTransform() * deviceToOutput_;
}

void Player::CreateObject(std::size_t index, GdiObject object) {
    if (index >= kMaxObjects) {
        return;
    }
    if (objects_.size() <= index) {
        objects_.resize(index + 1);
    }
    objects_[index] = std::move(object);
}

void Player::CreateObjectInFreeSlot(GdiObject object) {
    const auto free = std::find_if(objects_.begin(), objects_.end(),
                                   [](const auto& slot) { return !slot.has_value(); });
    CreateObject(static_cast<std::size_t>(free - objects_.begin()), std::move(object));
}

const GdiObject* Player::Object(std::size_t index) const {
    if (index >= objects_.size() || !objects_[index]) {
        return nullptr;
    }
    return &*objects_[index];
}

void Player::SelectObject(std::size_t index) {
    const GdiObject* o = Object(index);
    if (o == nullptr) {
        return;
    }
    if (const auto* pen = std::get_if<QPen>(o)) {
        dc_.pen = *pen;
    } else if (const auto* brush = std::get_if<BrushObject>(o)) {
        dc_.brush = *brush;
    } else if (const auto* font = std::get_if<LogFont>(o)) {
        dc_.font = *font;
    } else if (const auto* region = std::get_if<RegionObject>(o)) {
        // WMF: selecting a region makes it the clip region.
        SelectClip(LogicalToOutput().map(region->path), ClipMode::Copy);
    }
}

void Player::SelectStockObject(std::uint32_t which) {
    static constexpr int kGreys[] = {255, 192, 128, 64, 0};
    if (which <= 4) {
        dc_.brush = {QBrush(QColor(kGreys[which], kGreys[which], kGreys[which])), false};
    } else if (which == 5) {
        dc_.brush = {QBrush(Qt::NoBrush), false};
    } else if (which == 6) {
        dc_.pen = QPen(Qt::white, 0);
    } else if (which == 7 || which == 19) {
        dc_.pen = QPen(Qt::black, 0);
    } else if (which == 8) {
        dc_.pen = QPen(Qt::NoPen);
    } else if (which == 18) {
        dc_.brush = {QBrush(Qt::white), false};
    } else if (which >= 10 && which <= 17 && which != 15) {
        dc_.font = LogFont{};
        if (which == 10 || which == 11 || which == 16) {
            dc_.font.face = QStringLiteral("Courier New");
        }
    }
}

void Player::DeleteObject(std::size_t index) {
    if (index < objects_.size()) {
        objects_[index].reset();
    }
}

bool Player::Begin(const QTransform& t, double cost) {
    if (!WithinBudget() || dc_.rop2 == 11 /* R2_NOP */ || !Usable(t)) {
        return false;
    }
    Spend(kFixedCost + cost);
    return true;
}

void Player::SetComposition(int rop2) {
    if (!rasterOps_) {
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    using M = QPainter::CompositionMode;
    static constexpr M kModes[] = {
        M::CompositionMode_SourceOver,          // 0 (unused)
        M::CompositionMode_SourceOver,          // R2_BLACK (colour forced)
        M::RasterOp_NotSourceAndNotDestination, // R2_NOTMERGEPEN
        M::RasterOp_NotSourceAndDestination,    // R2_MASKNOTPEN
        M::RasterOp_NotSource,                  // R2_NOTCOPYPEN
        M::RasterOp_SourceAndNotDestination,    // R2_MASKPENNOT
        M::RasterOp_NotDestination,             // R2_NOT
        M::RasterOp_SourceXorDestination,       // R2_XORPEN
        M::RasterOp_NotSourceOrNotDestination,  // R2_NOTMASKPEN
        M::RasterOp_SourceAndDestination,       // R2_MASKPEN
        M::RasterOp_NotSourceXorDestination,    // R2_NOTXORPEN
        M::CompositionMode_SourceOver,          // R2_NOP (never drawn)
        M::RasterOp_NotSourceOrDestination,     // R2_MERGENOTPEN
        M::CompositionMode_SourceOver,          // R2_COPYPEN
        M::RasterOp_SourceOrNotDestination,     // R2_MERGEPENNOT
        M::RasterOp_SourceOrDestination,        // R2_MERGEPEN
        M::CompositionMode_SourceOver,          // R2_WHITE (colour forced)
    };
    painter_.setCompositionMode(rop2 >= 1 && rop2 <= 16 ? kModes[rop2]
                                                        : M::CompositionMode_SourceOver);
}

// Hatches and patterns stay in output pixels, as GDI keeps them in device pixels.
QBrush Player::BrushFor(const BrushObject& b, const QTransform& t) const {
    QBrush brush = b.brush;
    if (brush.style() != Qt::SolidPattern && brush.style() != Qt::NoBrush) {
        const QTransform linear = LinearPart(t * entryTransform_);
        if (linear.isInvertible()) {
            brush.setTransform(linear.inverted());
        }
    }
    return brush;
}

void Player::TraceShape(const char* what, const QRectF& bounds) const {
    if (!trace) {
        return;
    }
    const QRect r = bounds.toAlignedRect();
    Note(std::string(what) + " " + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
         std::to_string(r.width()) + "x" + std::to_string(r.height()));
}

void Player::AddToPath(const QPainterPath& logical) {
    path_.addPath(LogicalToOutput().map(logical));
}

void Player::Draw(const QPainterPath& logical, bool fill, bool stroke) {
    if (inPath_) {
        AddToPath(logical);
        return;
    }
    const QTransform t = LogicalToOutput();
    const QRectF bounds = t.mapRect(logical.boundingRect());
    if (!Begin(t, std::min(Area(bounds.intersected(output_)), Area(output_)))) {
        return;
    }
    TraceShape(fill ? "fill" : "line", bounds);
    DrawOutput(logical, fill, stroke, t);
}

void Player::DrawOutput(const QPainterPath& path, bool fill, bool stroke, const QTransform& t) {
    painter_.setTransform(t * entryTransform_);
    SetComposition(dc_.rop2);
    QPen pen = dc_.pen;
    BrushObject brush = dc_.brush;
    if (dc_.rop2 == 1 || dc_.rop2 == 16) {
        const QColor forced = dc_.rop2 == 1 ? Qt::black : Qt::white;
        if (pen.style() != Qt::NoPen) {
            pen.setColor(forced);
        }
        if (brush.brush.style() != Qt::NoBrush) {
            brush = {QBrush(forced), false};
        }
    }
    // Dashing a line that runs far outside the picture could take forever.
    if (pen.style() != Qt::SolidLine && pen.style() != Qt::NoPen) {
        const QRectF b = t.mapRect(path.boundingRect());
        if (b.width() + b.height() > 64 * (output_.width() + output_.height()) + 100000) {
            pen.setStyle(Qt::SolidLine);
        }
    }
    QPainterPath shape = path;
    shape.setFillRule(dc_.fillRule);
    if (fill && brush.brush.style() != Qt::NoBrush) {
        painter_.setPen(Qt::NoPen);
        if (brush.hatched && dc_.opaqueBackground) {
            painter_.fillPath(shape, dc_.bkColor);
        }
        painter_.fillPath(shape, BrushFor(brush, t));
    }
    if (stroke && pen.style() != Qt::NoPen) {
        painter_.strokePath(shape, pen);
    }
}

void Player::MoveTo(QPointF p) {
    dc_.currentPosition = p;
    if (inPath_) {
        path_.moveTo(LogicalToOutput().map(p));
    }
}

void Player::LineTo(QPointF p) {
    QPainterPath path(dc_.currentPosition);
    path.lineTo(p);
    if (inPath_) {
        path_.lineTo(LogicalToOutput().map(p));
    } else {
        Draw(path, false, true);
    }
    dc_.currentPosition = p;
}

void Player::Polyline(const QPolygonF& points) {
    if (points.size() < 2) {
        return;
    }
    QPainterPath path;
    path.addPolygon(points);
    Draw(path, false, true);
}

void Player::PolylineTo(const QPolygonF& points) {
    if (points.isEmpty()) {
        return;
    }
    if (inPath_) {
        const QTransform t = LogicalToOutput();
        for (const QPointF& p : points) {
            path_.lineTo(t.map(p));
        }
    } else {
        QPainterPath path(dc_.currentPosition);
        for (const QPointF& p : points) {
            path.lineTo(p);
        }
        Draw(path, false, true);
    }
    dc_.currentPosition = points.back();
}

void Player::Polygon(const QPolygonF& points) {
    if (points.size() < 2) {
        return;
    }
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    Draw(path, true, true);
}

void Player::PolyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    for (const QPolygonF& p : polygons) {
        if (p.size() >= 2) {
            path.addPolygon(p);
            path.closeSubpath();
        }
    }
    Draw(path, true, true);
}

void Player::PolyPolyline(const std::vector<QPolygonF>& lines) {
    QPainterPath path;
    for (const QPolygonF& p : lines) {
        if (p.size() >= 2) {
            path.addPolygon(p);
        }
    }
    Draw(path, false, true);
}

void Player::PolyBezier(const QPolygonF& points, bool fromCurrent) {
    QPainterPath path;
    qsizetype i = 0;
    if (fromCurrent) {
        path.moveTo(dc_.currentPosition);
    } else {
        if (points.isEmpty()) {
            return;
        }
        path.moveTo(points[0]);
        i = 1;
    }
    for (; i + 2 < points.size(); i += 3) {
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    }
    if (fromCurrent && inPath_) {
        const QTransform t = LogicalToOutput();
        for (qsizetype k = 0; k + 2 < points.size(); k += 3) {
            path_.cubicTo(t.map(points[k]), t.map(points[k + 1]), t.map(points[k + 2]));
        }
    } else {
        Draw(path, false, true);
    }
    if (fromCurrent && points.size() >= 3) {
        dc_.currentPosition = points[(points.size() / 3) * 3 - 1];
    }
}

void Player::PolyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types) {
    QPainterPath path(dc_.currentPosition);
    for (qsizetype i = 0; i < points.size() && static_cast<std::size_t>(i) < types.size(); ++i) {
        const std::uint8_t type = types[static_cast<std::size_t>(i)];
        switch (type & 0x6) {
        case 0x6: // PT_MOVETO
            path.moveTo(points[i]);
            break;
        case 0x4: // PT_BEZIERTO: three points in a row
            if (i + 2 < points.size()) {
                path.cubicTo(points[i], points[i + 1], points[i + 2]);
                i += 2;
            }
            break;
        default: // PT_LINETO
            path.lineTo(points[i]);
            break;
        }
        if ((types[static_cast<std::size_t>(i)] & 0x1) != 0) { // PT_CLOSEFIGURE
            path.closeSubpath();
        }
    }
    if (!points.isEmpty()) {
        dc_.currentPosition = path.currentPosition();
    }
    Draw(path, false, true);
}

void Player::Rectangle(const QRectF& r) {
    QPainterPath path;
    path.addRect(r.normalized());
    Draw(path, true, true);
}

void Player::RoundRect(const QRectF& r, QSizeF corner) {
    QPainterPath path;
    path.addRoundedRect(r.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2,
                        Qt::AbsoluteSize);
    Draw(path, true, true);
}

void Player::Ellipse(const QRectF& r) {
    QPainterPath path;
    path.addEllipse(r.normalized());
    Draw(path, true, true);
}

void Player::Arc(const QRectF& boxIn, QPointF start, QPointF end, ArcKind kind) {
    const QRectF box = boxIn.normalized();
    const double a0 = ParametricAngle(box, start);
    const double a1 = ParametricAngle(box, end);
    // Counter-clockwise as seen on the output; a mirrored mapping turns it round.
    bool clockwise = dc_.clockwise;
    if (LogicalToOutput().determinant() < 0) {
        clockwise = !clockwise;
    }
    double sweep = 0;
    if (clockwise) {
        sweep = -std::fmod(std::fmod(a0 - a1, 360.0) + 360.0, 360.0);
        if (sweep == 0) {
            sweep = -360;
        }
    } else {
        sweep = std::fmod(std::fmod(a1 - a0, 360.0) + 360.0, 360.0);
        if (sweep == 0) {
            sweep = 360;
        }
    }
    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(box.center());
        path.arcTo(box, a0, sweep);
        path.closeSubpath();
    } else if (kind == ArcKind::ArcTo) {
        path.moveTo(dc_.currentPosition);
        path.arcTo(box, a0, sweep);
    } else {
        path.arcMoveTo(box, a0);
        path.arcTo(box, a0, sweep);
        if (kind == ArcKind::Chord) {
            path.closeSubpath();
        }
    }
    if (kind == ArcKind::ArcTo) {
        dc_.currentPosition = path.currentPosition();
    }
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    Draw(path, closed, true);
}

void Player::AngleArc(QPointF centre, double radius, double startDeg, double sweepDeg) {
    if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg) || radius <= 0) {
        return;
    }
    sweepDeg = std::clamp(sweepDeg, -360.0 * 4, 360.0 * 4);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path(dc_.currentPosition);
    path.arcTo(box, std::fmod(startDeg, 360.0), sweepDeg);
    dc_.currentPosition = path.currentPosition();
    Draw(path, false, true);
}

void Player::SetPixel(QPointF p, QColor colour) {
    const QTransform t = LogicalToOutput();
    if (inPath_ || !Begin(t, 1)) {
        return;
    }
    const QPointF o = t.map(p);
    painter_.setTransform(entryTransform_);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.fillRect(QRectF(std::floor(o.x()), std::floor(o.y()), 1, 1), colour);
}

void Player::Text(QPointF reference, const QString& textIn, const std::vector<double>& dx,
                  std::uint32_t options, std::optional<QRectF> rect) {
    const QTransform t = LogicalToOutput();
    if (inPath_ || !WithinBudget() || !Usable(t)) {
        return;
    }
    const QString text = textIn.left(kMaxTextLength);
    const bool updateCp = (dc_.textAlign & 1) != 0;
    if (updateCp) {
        reference = dc_.currentPosition;
    }
    const double sx = std::hypot(t.m11(), t.m12());
    const double sy = std::hypot(t.m21(), t.m22());
    const LogFont& lf = dc_.font;
    double height = lf.height == 0 ? 12 : std::abs(lf.height);
    if (lf.height > 0) {
        height *= 0.85; // cell height includes the internal leading
    }
    const double pixels = height * sy;

    painter_.setTransform(entryTransform_);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const bool clipped = (options & 0x4) != 0 && rect;
    if (rect && (options & 0x2) != 0) { // ETO_OPAQUE
        QPainterPath box;
        box.addRect(rect->normalized());
        Spend(kFixedCost + std::min(Area(t.mapRect(*rect)), Area(output_)));
        painter_.fillPath(t.map(box), dc_.bkColor);
    }
    if (text.isEmpty() || pixels < 0.3 || pixels > kMaxFontPixels) {
        return;
    }
    Spend(kFixedCost + text.size() * std::min(pixels * pixels, Area(output_)));
    if (clipped) {
        QPainterPath box;
        box.addRect(rect->normalized());
        painter_.save();
        painter_.setClipPath(t.map(box), Qt::IntersectClip);
    }

    // Small sizes are drawn large and scaled down: pixel sizes are whole numbers.
    const int fontPixels = pixels >= 16 ? static_cast<int>(std::lround(pixels)) : 64;
    const double f = pixels / fontPixels;
    QFont font(lf.face.isEmpty() ? QStringLiteral("Arial") : lf.face);
    font.setPixelSize(fontPixels);
    font.setWeight(
        static_cast<QFont::Weight>(lf.weight <= 0 ? 400 : std::clamp(lf.weight, 1, 1000)));
    font.setItalic(lf.italic);
    font.setUnderline(lf.underline);
    font.setStrikeOut(lf.strikeOut);
    const QFontMetricsF metrics(font);

    double angle = -lf.escapement / 10.0;
    if (!dc_.world.isIdentity()) {
        angle += std::atan2(t.m12(), t.m11()) * 180 / std::numbers::pi;
    }
    const double stretch = sy > 0 ? sx / sy : 1;
    QTransform textSpace;
    textSpace.translate(t.map(reference).x(), t.map(reference).y());
    textSpace.rotate(angle);
    textSpace.scale(f * stretch, f);
    painter_.setTransform(textSpace * entryTransform_);
    painter_.setFont(font);

    // Logical units along the baseline, in text-space units.
    const double unit = sy / f;
    double width = 0;
    const bool useDx = dx.size() >= static_cast<std::size_t>(text.size());
    if (useDx) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            width += dx[static_cast<std::size_t>(i)] * unit;
        }
    } else {
        width = metrics.horizontalAdvance(text);
    }
    double x = 0;
    switch (dc_.textAlign & 6) {
    case 2: // TA_RIGHT
        x = -width;
        break;
    case 6: // TA_CENTER
        x = -width / 2;
        break;
    default:
        break;
    }
    double baseline = metrics.ascent(); // TA_TOP
    if ((dc_.textAlign & 24) == 24) {
        baseline = 0;
    } else if ((dc_.textAlign & 8) != 0) {
        baseline = -metrics.descent();
    }
    if (dc_.opaqueBackground && (options & 0x2) == 0) {
        painter_.fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.height()),
                          dc_.bkColor);
    }
    painter_.setPen(dc_.textColor);
    Note("text " + text.toStdString());
    // Qt's glyph cache fails on glyphs squeezed thin (FreeType cannot render
    // them and Qt copies from a null bitmap): such text is filled as outlines.
    const bool squeezed = stretch < 1.0 / 8 || stretch > 8;
    const auto run = [&](QPointF at, const QString& s) {
        if (squeezed) {
            QPainterPath outline;
            outline.addText(at, font, s);
            painter_.fillPath(outline, dc_.textColor);
        } else {
            painter_.drawText(at, s);
        }
    };
    if (useDx) {
        double at = x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            run(QPointF(at, baseline), QString(text[i]));
            at += dx[static_cast<std::size_t>(i)] * unit;
        }
    } else {
        run(QPointF(x, baseline), text);
    }
    if (clipped) {
        painter_.restore();
    }
    if (updateCp) {
        const double logicalWidth = width / unit;
        if ((dc_.textAlign & 6) == 0) {
            dc_.currentPosition.rx() += logicalWidth;
        } else if ((dc_.textAlign & 6) == 2) {
            dc_.currentPosition.rx() -= logicalWidth;
        }
    }
}

void Player::Blit(const QImage& image, const QRectF& dest, const QRectF& srcIn, std::uint32_t rop) {
    const int code = static_cast<int>((rop >> 16) & 0xFF);
    const bool usesSource = ((code >> 2) & 0x33) != (code & 0x33);
    if (!usesSource || image.isNull()) {
        PatBlt(dest, rop);
        return;
    }
    const QRectF src = srcIn.intersected(QRectF(image.rect()));
    if (src.isEmpty() || srcIn.width() == 0 || srcIn.height() == 0 || dest.width() == 0 ||
        dest.height() == 0) {
        return;
    }
    const QTransform t = LogicalToOutput();
    const QRectF bounds = t.mapRect(dest);
    if (inPath_ ||
        !Begin(t, std::min(Area(bounds.intersected(output_)), Area(output_)) + Area(src))) {
        return;
    }
    TraceShape("image", bounds);
    // Place the source rectangle's pixels onto dest, mirroring with negative sizes.
    const QTransform place(dest.width() / srcIn.width(), 0, 0, dest.height() / srcIn.height(),
                           dest.x() - srcIn.x() * dest.width() / srcIn.width(),
                           dest.y() - srcIn.y() * dest.height() / srcIn.height());
    painter_.setTransform(place * t * entryTransform_);
    using M = QPainter::CompositionMode;
    M mode = M::CompositionMode_SourceOver;
    switch (code) {
    case 0xEE:
        mode = M::RasterOp_SourceOrDestination;
        break;
    case 0x88:
        mode = M::RasterOp_SourceAndDestination;
        break;
    case 0x66:
        mode = M::RasterOp_SourceXorDestination;
        break;
    case 0x44:
        mode = M::RasterOp_SourceAndNotDestination;
        break;
    case 0x33:
        mode = M::RasterOp_NotSource;
        break;
    case 0x11:
        mode = M::RasterOp_NotSourceAndNotDestination;
        break;
    case 0xBB:
        mode = M::RasterOp_NotSourceOrDestination;
        break;
    default:
        break;
    }
    painter_.setCompositionMode(rasterOps_ ? mode : M::CompositionMode_SourceOver);
    painter_.drawImage(src, image, src);
}

void Player::PatBlt(const QRectF& dest, std::uint32_t rop) {
    const int code = static_cast<int>((rop >> 16) & 0xFF);
    if (code == 0xAA) { // destination unchanged
        return;
    }
    const QTransform t = LogicalToOutput();
    const QRectF bounds = t.mapRect(dest);
    if (inPath_ || !Begin(t, std::min(Area(bounds.intersected(output_)), Area(output_)))) {
        return;
    }
    TraceShape("fill", bounds);
    painter_.setTransform(t * entryTransform_);
    painter_.setPen(Qt::NoPen);
    using M = QPainter::CompositionMode;
    QBrush brush = BrushFor(dc_.brush, t);
    M mode = M::CompositionMode_SourceOver;
    switch (code) {
    case 0x00:
        brush = QBrush(Qt::black);
        break;
    case 0xFF:
        brush = QBrush(Qt::white);
        break;
    case 0x55:
        mode = M::RasterOp_NotDestination;
        brush = QBrush(Qt::black);
        break;
    case 0x5A:
        mode = M::RasterOp_SourceXorDestination;
        break;
    default:
        break;
    }
    if (mode != M::CompositionMode_SourceOver && !rasterOps_) {
        return;
    }
    painter_.setCompositionMode(mode);
    painter_.fillRect(dest.normalized(), brush);
}

void Player::FillRegion(const QPainterPath& region, const BrushObject& brush) {
    if (inPath_ || !Begin(QTransform(), std::min(Area(region.boundingRect()), Area(output_)))) {
        return;
    }
    TraceShape("fill", region.boundingRect());
    painter_.setTransform(entryTransform_);
    SetComposition(dc_.rop2);
    painter_.fillPath(region, BrushFor(brush, QTransform()));
}

void Player::FrameRegion(const QPainterPath& region, const BrushObject& brush, QSizeF stroke) {
    const double w = std::clamp(std::max(stroke.width(), stroke.height()), 1.0, 1000.0);
    QPainterPathStroker stroker;
    stroker.setWidth(w);
    FillRegion(stroker.createStroke(region).intersected(region), brush);
}

void Player::InvertRegion(const QPainterPath& region) {
    if (!rasterOps_ || inPath_ ||
        !Begin(QTransform(), std::min(Area(region.boundingRect()), Area(output_)))) {
        return;
    }
    painter_.setTransform(entryTransform_);
    painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_.fillPath(region, Qt::black);
}

void Player::BeginPath() {
    inPath_ = true;
    path_ = QPainterPath();
    path_.moveTo(LogicalToOutput().map(dc_.currentPosition));
}

void Player::AbortPath() {
    inPath_ = false;
    path_ = QPainterPath();
}

void Player::CloseFigure() {
    if (inPath_) {
        path_.closeSubpath();
    }
}

void Player::FillPath() {
    DrawPath(true, false);
}

void Player::StrokePath() {
    DrawPath(false, true);
}

void Player::StrokeAndFillPath() {
    DrawPath(true, true);
}

void Player::DrawPath(bool fill, bool stroke) {
    const QTransform t = LogicalToOutput();
    if (!inPath_ && Usable(t)) {
        // Drawn in logical space so that pens and patterns scale as GDI scales them.
        const QPainterPath logical = t.inverted().map(path_);
        const QRectF bounds = path_.boundingRect();
        if (Begin(t, std::min(Area(bounds.intersected(output_)), Area(output_)))) {
            TraceShape(fill ? "fill" : "line", bounds);
            DrawOutput(logical, fill, stroke, t);
        }
    }
    path_ = QPainterPath();
}

void Player::SelectClipPath(ClipMode mode) {
    if (!inPath_) {
        QPainterPath region = path_;
        region.setFillRule(dc_.fillRule);
        ChangeClip(region, mode);
    }
    path_ = QPainterPath();
}

void Player::IntersectClipRect(const QRectF& r) {
    ChangeClip(LogicalToOutput().map(RectPath(r.normalized())), ClipMode::And);
}

void Player::ExcludeClipRect(const QRectF& r) {
    ChangeClip(LogicalToOutput().map(RectPath(r.normalized())), ClipMode::Diff);
}

void Player::OffsetClip(QPointF logicalDelta) {
    if (!dc_.clip) {
        return;
    }
    const QTransform t = LogicalToOutput();
    const QPointF d = t.map(logicalDelta) - t.map(QPointF(0, 0));
    if (std::isfinite(d.x()) && std::isfinite(d.y())) {
        dc_.clip->translate(d);
        ApplyClip();
    }
}

void Player::SelectClip(std::optional<QPainterPath> region, ClipMode mode) {
    if (!region) {
        if (mode == ClipMode::Copy) {
            dc_.clip.reset();
            ApplyClip();
        }
        return;
    }
    ChangeClip(*region, mode);
}

void Player::ChangeClip(const QPainterPath& region, ClipMode mode) {
    if (++clipChanges_ > kMaxClipChanges || region.elementCount() > kMaxClipElements) {
        return;
    }
    const QPainterPath current = dc_.clip ? *dc_.clip : outputClip_;
    QPainterPath next;
    switch (mode) {
    case ClipMode::And:
        next = current.intersected(region);
        break;
    case ClipMode::Or:
        next = current.united(region);
        break;
    case ClipMode::Xor:
        next = current.united(region).subtracted(current.intersected(region));
        break;
    case ClipMode::Diff:
        next = current.subtracted(region);
        break;
    case ClipMode::Copy:
        next = region;
        break;
    }
    if (next.elementCount() > kMaxClipElements) {
        return;
    }
    Spend(kFixedCost + next.elementCount() * 50.0);
    dc_.clip = next;
    ApplyClip();
}

void Player::ApplyClip() {
    painter_.setTransform(entryTransform_);
    painter_.setClipPath(dc_.clip ? dc_.clip->intersected(outputClip_) : outputClip_);
}

void Player::SaveDc() {
    if (saved_.size() < kMaxSavedStates) {
        saved_.push_back(dc_);
    }
}

// Negative: that many levels back; positive: the absolute level (1 = first save).
void Player::RestoreDc(int which) {
    std::size_t keep = 0;
    if (which < 0) {
        const auto back = static_cast<std::size_t>(-static_cast<std::int64_t>(which));
        if (back > saved_.size()) {
            return;
        }
        keep = saved_.size() - back;
    } else if (which > 0 && static_cast<std::size_t>(which) <= saved_.size()) {
        keep = static_cast<std::size_t>(which) - 1;
    } else {
        return;
    }
    dc_ = saved_[keep];
    saved_.resize(keep);
    ApplyClip();
}

} // namespace qcm::pictures::metafile
