// Playback of the drawing records common to WMF and EMF onto a QPainter:
// the device context (mapping, pens, brushes, fonts, colours, current
// position, saved states, clipping, paths) and the object table.
#pragma once
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace orugif::formats::gdi {

// Drawing work a metafile may ask for: each operation is charged the picture
// pixels it may touch plus kWorkPerElement for each outline element handed to
// the rasteriser or to the region arithmetic (its own and the clipping
// region's), and each object created or deleted kWorkPerObject plus the
// pixels of its pattern. Past kWorkPerPicturePixel times the picture's area
// (at least that of kMinBudgetArea), and past kMaxWork whatever the area, the
// playback is refused: a large picture does not buy unbounded time.
inline constexpr std::int64_t kWorkPerPicturePixel = 64;
inline constexpr std::int64_t kWorkPerElement = 16;
inline constexpr std::int64_t kWorkPerObject = 256;
inline constexpr std::int64_t kMinBudgetArea = std::int64_t(1) << 20;
inline constexpr std::int64_t kMaxWork = 400'000'000;

struct LogPen {
    int style = 0; // PS_* with end cap and join bits
    double width = 0;
    QRgb colour = qRgb(0, 0, 0);
};

struct LogBrush {
    int style = 0; // BS_SOLID, BS_NULL, BS_HATCHED, pattern
    QRgb colour = qRgb(255, 255, 255);
    int hatch = 0;
    QImage pattern;
};

struct LogFont {
    double height = 0;
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 0;
    QString face;
};

struct GdiObject {
    enum Kind { None, Pen, Brush, Font, Other } kind = None;
    LogPen pen;
    LogBrush brush;
    LogFont font;
};

struct DcState {
    int mapMode = 1; // MM_TEXT
    QPointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    QTransform world;
    LogPen pen;
    LogBrush brush;
    LogFont font;
    QRgb textColour = qRgb(0, 0, 0);
    QRgb bkColour = qRgb(255, 255, 255);
    bool opaqueBackground = true;
    int textAlign = 0;
    bool windingFill = false;
    bool clockwise = false;
    QPointF current;
    bool clipped = false;
    QPainterPath clip; // in picture pixels
};

class Player {
public:
    // Draws onto target; deviceToImage maps device units to picture pixels;
    // devicePixelsPerMm sizes the fixed mapping modes (MM_LOMETRIC, ...).
    Player(QImage& target, const QTransform& deviceToImage, QPointF devicePixelsPerMm);
    ~Player();

    DcState& dc() { return dc_; }

    // Object table. Indices come from the file and are checked here;
    // setting and deleting an object are charged as work.
    void resizeObjects(std::size_t count);
    int firstFreeObject() const; // -1 when the table is full
    void setObject(std::size_t index, const GdiObject& object);
    void selectObject(std::uint32_t index); // stock objects have bit 31 set
    void deleteObject(std::uint32_t index);
    const GdiObject* object(std::uint32_t index) const;

    void saveDc();
    void restoreDc(int which);

    // Clipping in logical units.
    void intersectClip(const QRectF& r);
    void excludeClip(const QRectF& r);
    void resetClip();
    void setClipRects(const std::vector<QRectF>& deviceRects, int mode);

    // Paths: while a path is open, shapes are added to it instead of drawn.
    void beginPath();
    void endPath() { inPath_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath(bool fill, bool stroke);
    void clipToPath();

    // Drawing, in logical units.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& lines);
    void polyBezier(const QPolygonF& points, bool fromCurrent);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    enum ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void angleArc(QPointF centre, double radius, double startDeg, double sweepDeg);
    void setPixel(QPointF p, QRgb colour);
    void fillRect(const QRectF& r, const QBrush& brush); // logical
    void fillDeviceRects(const std::vector<QRectF>& rects, const LogBrush& brush);
    void textOut(QPointF reference, const QString& text, const std::vector<double>& dx, int options,
                 const QRectF& rect);
    // Draws source (its srcRect) into the logical rectangle dest. A negative
    // width or height in dest mirrors the picture.
    void drawBitmap(const QRectF& dest, const QImage& source, const QRectF& srcRect);
    void patBlt(const QRectF& dest, std::uint32_t rop);
    void gradientRect(const QRectF& r, QRgb from, QRgb to, bool vertical);
    void fillPolygonSolid(const QPolygonF& points, QRgb colour);

    // Logical units to picture pixels, for the current state.
    QTransform logicalToImage() const;

    // Work charged so far.
    std::int64_t work() const { return work_; }

private:
    // Adds an operation's work (area in picture pixels, cut to the picture)
    // and raises EMetafileException past the budget.
    void charge(const QRectF& imageArea, qsizetype elements = 0);
    void chargePixels(double pixels, qsizetype elements);
    // Charges the region arithmetic of a clipping change on outlines of
    // `elements` elements together.
    void chargeRegion(qsizetype elements);
    // The part of a rectangle in picture pixels that lies on the picture.
    QRectF visible(const QRectF& imageArea) const;
    void prepare(bool fill);
    void output(const QPainterPath& path, bool fill, bool stroke);
    QPen makePen() const;
    QBrush makeBrush(const LogBrush& b) const;
    QTransform pageTransform() const;

    QPainter painter_;
    QTransform deviceToImage_;
    QPointF devicePerMm_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::vector<GdiObject> objects_;
    std::set<std::uint32_t> freeObjects_;  // empty slots of objects_, lowest first
    bool inPath_ = false;
    QPainterPath path_;
    std::int64_t work_ = 0;
    std::int64_t budget_ = 0;
};

namespace detail {

inline QPainterPath rectPath(const QRectF& r)
{
    QPainterPath p;
    p.addRect(r);
    return p;
}

// Length of a unit step along x (or y) once mapped.
inline double scaleOf(const QTransform& t, bool vertical)
{
    return vertical ? std::hypot(t.m12(), t.m22()) : std::hypot(t.m11(), t.m21());
}

inline bool finite(const QTransform& t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
        && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

} // namespace detail

// Colour of a COLORREF (0x00BBGGRR; the high byte's palette flags are ignored).
inline QRgb colourRef(std::uint32_t c) { return qRgb(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff)); }

} // namespace orugif::formats::gdi
