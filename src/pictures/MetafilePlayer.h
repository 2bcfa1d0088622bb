#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class QPainter;

// The device context that WMF and EMF records are played into: mapping,
// selected objects, clipping, paths and the drawing calls both formats share.
namespace qcm::pictures::metafile {

struct LogFont {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;
    QString face;
};

struct BrushObject {
    QBrush brush{Qt::white};
    bool hatched = false;
};

// A region in the coordinates it was recorded in (logical for WMF, device for EMF).
struct RegionObject {
    QPainterPath path;
};

// Palettes, colour spaces and other objects that only take a slot.
struct Placeholder {};

using GdiObject = std::variant<Placeholder, QPen, BrushObject, LogFont, RegionObject>;

enum MapMode : int {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};

enum class ClipMode { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

struct DcState {
    int mapMode = MM_TEXT;
    QPointF windowOrg;
    QPointF viewportOrg;
    QSizeF windowExt{1, 1};
    QSizeF viewportExt{1, 1};
    QTransform world;
    QPen pen{Qt::black, 0};
    BrushObject brush;
    LogFont font;
    QColor textColor{Qt::black};
    QColor bkColor{Qt::white};
    bool opaqueBackground = true;
    std::uint32_t textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    int rop2 = 13; // R2_COPYPEN
    QPointF currentPosition;
    bool clockwise = false;
    // In output coordinates; none means the whole target rectangle.
    std::optional<QPainterPath> clip;
};

// Builds pens and brushes from the records' fields.
QPen MakePen(std::uint32_t style, double width, QColor colour,
             const std::vector<double>& dashes = {});
BrushObject MakeBrush(std::uint32_t style, QColor colour, std::uint32_t hatch);
BrushObject MakePatternBrush(const QImage& pattern);
QColor ColourRef(std::uint32_t value);
// The area of a region's rectangles. GDI stores them in y-x bands, which
// build in one pass; unsorted lists are merged one by one, up to a limit.
QPainterPath RegionPath(const std::vector<QRect>& rects);

class Player {
public:
    // deviceToOutput maps the metafile's device space into the painter's
    // coordinates; output is the target rectangle there.
    Player(QPainter& painter, const QTransform& deviceToOutput, const QRectF& output);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    DcState& Dc() { return dc_; }
    // Millimetres per device pixel, for the metric mapping modes.
    void SetDeviceResolution(double pixelsPerMmX, double pixelsPerMmY);
    // WMF playback keeps the window mapped onto the target and ignores
    // mapping modes and viewports.
    void LockMapping() { mappingLocked_ = true; }

    // Mapping.
    void SetMapMode(int mode);
    void SetWindowOrg(QPointF p) { dc_.windowOrg = p; }
    void SetViewportOrg(QPointF p);
    void SetWindowExt(QSizeF s);
    void SetViewportExt(QSizeF s);
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void SetWorldTransform(const QTransform& t);
    void ModifyWorldTransform(const QTransform& t, int mode);
    QTransform LogicalToOutput() const;
    QTransform DeviceToOutput() const { return deviceToOutput_; }

    // Objects.
    void CreateObject(std::size_t index, GdiObject object);
    // WMF: the lowest free slot.
    void CreateObjectInFreeSlot(GdiObject object);
    void SelectObject(std::size_t index);
    void SelectStockObject(std::uint32_t which);
    void DeleteObject(std::size_t index);
    const GdiObject* Object(std::size_t index) const;

    // Drawing. Coordinates are logical.
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void Polygon(const QPolygonF& points);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void PolyPolyline(const std::vector<QPolygonF>& lines);
    void PolyBezier(const QPolygonF& points, bool fromCurrent);
    void PolyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types);
    void Rectangle(const QRectF& r);
    void RoundRect(const QRectF& r, QSizeF corner);
    void Ellipse(const QRectF& r);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void Arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind);
    void AngleArc(QPointF centre, double radius, double startDeg, double sweepDeg);
    void SetPixel(QPointF p, QColor colour);
    void Text(QPointF reference, const QString& text, const std::vector<double>& dx,
              std::uint32_t options, std::optional<QRectF> rect);
    // rop is the ternary raster operation of the record; src in image pixels.
    void Blit(const QImage& image, const QRectF& dest, const QRectF& src, std::uint32_t rop);
    void PatBlt(const QRectF& dest, std::uint32_t rop);
    // Regions in output coordinates.
    void FillRegion(const QPainterPath& region, const BrushObject& brush);
    void FrameRegion(const QPainterPath& region, const BrushObject& brush, QSizeF stroke);
    void InvertRegion(const QPainterPath& region);

    // Paths.
    void BeginPath();
    void EndPath() { inPath_ = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void DrawPath(bool fill, bool stroke);
    void SelectClipPath(ClipMode mode);

    // Clipping.
    void IntersectClipRect(const QRectF& r);
    void ExcludeClipRect(const QRectF& r);
    void OffsetClip(QPointF logicalDelta);
    void SelectClip(std::optional<QPainterPath> outputRegion, ClipMode mode);

    void SaveDc();
    void RestoreDc(int which);

    // False once the metafile has used up its share of work.
    bool WithinBudget() const { return work_ < kWorkBudget; }
    void Spend(double units) { work_ += units; }

    // Optional record of what was drawn, one line a call, for tests and dumps.
    std::function<void(const std::string&)> trace;
    void Note(const std::string& line) const {
        if (trace) {
            trace(line);
        }
    }

private:
    static constexpr double kWorkBudget = 4.0e8;

    QTransform PageTransform() const;
    void Draw(const QPainterPath& logical, bool fill, bool stroke);
    void AddToPath(const QPainterPath& logical);
    void DrawOutput(const QPainterPath& output, bool fill, bool stroke, const QTransform& t);
    bool Begin(const QTransform& t, double cost);
    void ApplyClip();
    void ChangeClip(const QPainterPath& region, ClipMode mode);
    void SetComposition(int rop2);
    QBrush BrushFor(const BrushObject& b, const QTransform& t) const;
    void TraceShape(const char* what, const QRectF& bounds) const;

    QPainter& painter_;
    QTransform entryTransform_;
    QTransform deviceToOutput_;
    QRectF output_;
    QPainterPath outputClip_;
    double pixelsPerMmX_ = 96 / 25.4;
    double pixelsPerMmY_ = 96 / 25.4;
    bool mappingLocked_ = false;
    DcState dc_;
    std::vector<DcState> saved_;
    std::vector<std::optional<GdiObject>> objects_;
    bool inPath_ = false;
    QPainterPath path_; // output coordinates
    bool rasterOps_ = false;
    double work_ = 0;
    int clipChanges_ = 0;
};

} // namespace qcm::pictures::metafile
