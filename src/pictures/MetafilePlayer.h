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
QPen makePen(std::uint32_t style, double width, QColor colour,
             const std::vector<double>& dashes = {});
BrushObject makeBrush(std::uint32_t style, QColor colour, std::uint32_t hatch);
BrushObject makePatternBrush(const QImage& pattern);
QColor colourRef(std::uint32_t value);
// The area of a region's rectangles. GDI stores them in y-x bands, which
// build in one pass; unsorted lists are merged one by one, up to a limit.
QPainterPath regionPath(const std::vector<QRect>& rects);

class Player {
public:
    // deviceToOutput maps the metafile's device space into the painter's
    // coordinates; output is the target rectangle there.
    Player(QPainter& painter, const QTransform& deviceToOutput, const QRectF& output);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    DcState& dc() { return dc_; }
    // Millimetres per device pixel, for the metric mapping modes.
    void setDeviceResolution(double pixelsPerMmX, double pixelsPerMmY);
    // WMF playback keeps the window mapped onto the target and ignores
    // mapping modes and viewports.
    void lockMapping() { mappingLocked_ = true; }

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrg(QPointF p) { dc_.windowOrg = p; }
    void setViewportOrg(QPointF p);
    void setWindowExt(QSizeF s);
    void setViewportExt(QSizeF s);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform& t);
    void modifyWorldTransform(const QTransform& t, int mode);
    QTransform logicalToOutput() const;
    QTransform deviceToOutput() const { return deviceToOutput_; }

    // Objects.
    void createObject(std::size_t index, GdiObject object);
    // WMF: the lowest free slot.
    void createObjectInFreeSlot(GdiObject object);
    void selectObject(std::size_t index);
    void selectStockObject(std::uint32_t which);
    void deleteObject(std::size_t index);
    const GdiObject* object(std::size_t index) const;

    // Drawing. Coordinates are logical.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& lines);
    void polyBezier(const QPolygonF& points, bool fromCurrent);
    void polyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind);
    void angleArc(QPointF centre, double radius, double startDeg, double sweepDeg);
    void setPixel(QPointF p, QColor colour);
    void text(QPointF reference, const QString& text, const std::vector<double>& dx,
              std::uint32_t options, std::optional<QRectF> rect);
    // rop is the ternary raster operation of the record; src in image pixels.
    void blit(const QImage& image, const QRectF& dest, const QRectF& src, std::uint32_t rop);
    void patBlt(const QRectF& dest, std::uint32_t rop);
    // Regions in output coordinates.
    void fillRegion(const QPainterPath& region, const BrushObject& brush);
    void frameRegion(const QPainterPath& region, const BrushObject& brush, QSizeF stroke);
    void invertRegion(const QPainterPath& region);

    // Paths.
    void beginPath();
    void endPath() { inPath_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void drawPath(bool fill, bool stroke);
    void selectClipPath(ClipMode mode);

    // Clipping.
    void intersectClipRect(const QRectF& r);
    void excludeClipRect(const QRectF& r);
    void offsetClip(QPointF logicalDelta);
    void selectClip(std::optional<QPainterPath> outputRegion, ClipMode mode);

    void saveDc();
    void restoreDc(int which);

    // False once the metafile has used up its share of work.
    bool withinBudget() const { return work_ < kWorkBudget; }
    void spend(double units) { work_ += units; }

    // Optional record of what was drawn, one line a call, for tests and dumps.
    std::function<void(const std::string&)> trace;
    void note(const std::string& line) const {
        if (trace) {
            trace(line);
        }
    }

private:
    static constexpr double kWorkBudget = 4.0e8;

    QTransform pageTransform() const;
    void draw(const QPainterPath& logical, bool fill, bool stroke);
    void addToPath(const QPainterPath& logical);
    void drawOutput(const QPainterPath& output, bool fill, bool stroke, const QTransform& t);
    bool begin(const QTransform& t, double cost);
    void applyClip();
    void changeClip(const QPainterPath& region, ClipMode mode);
    void setComposition(int rop2);
    QBrush brushFor(const BrushObject& b, const QTransform& t) const;
    void traceShape(const char* what, const QRectF& bounds) const;

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
